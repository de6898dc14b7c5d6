// A window's placement kept in a settings sub-key: its normal rectangle and the
// DPI it was measured at, its state (0 maximised, 1 minimised or in the tray,
// 2 normal) and whether it was topmost. The stored rectangle is always put
// back on the desktop.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/SettingsKey.h"

// Where a stored rectangle goes on a desktop of the given size that starts at
// (0, 0): moved onto it where it fits, with its size kept, and cut to the
// desktop's width or height where it is larger.
RECT FitRectOnDesktop(const RECT& stored, int desktopWidth, int desktopHeight);

// Whether a window rectangle is worth storing on a screen of this size: not
// more than 1.1 times the screen in either direction and not entirely above
// or left of the screen.
bool IsSavableWindowRect(const RECT& rect, int screenWidth, int screenHeight);

// Where a rectangle stored at storedDpi goes at dpi. A stored rectangle keeps
// its position, in the desktop's physical pixels, and its size follows the
// DPI. storedDpi 0 (or out of range) stands for a rectangle stored without its
// DPI by the earlier builds, which were not DPI aware and saw 96-DPI pixels
// everywhere: the whole rectangle is scaled from 96 DPI.
RECT RectForDpi(const RECT& stored, UINT storedDpi, UINT dpi);

// Writes the placement of window into key\name. State 0 or 1 writes only
// "WinState" (the last normal rectangle stays stored); any other state writes
// the window rectangle, "WinDpi" (dpi; 0: the window's), "WinState" and
// "TopMost", or nothing when the rectangle is not savable. True when every
// write succeeded.
bool SaveWindowPlacement(const SettingsKey& key, const char* name, HWND window, int32_t state, UINT dpi = 0);

// True when key\name holds a placement ("WinState").
bool PlacementStored(const SettingsKey& key, const char* name);

// Puts window where key\name says: the rectangle (brought to dpi, 0: the
// window's, by RectForDpi, then fitted onto the desktop; size kept only when
// resizable), the topmost state, and maximised for a
// stored state 0. Without a stored "WinState" the window is centred on the
// desktop and that placement is stored at once. True when all four edges
// were read.
bool RestoreWindowPlacement(const SettingsKey& key, const char* name, HWND window, bool resizable, UINT dpi = 0);

// Moves window to the rectangle's top-left corner; a resizable window also
// takes its size, any other keeps its own. Repaints.
void MoveWindowToRect(HWND window, const RECT& rect, bool resizable);
