// The theme given to the windows the program shows: its dialogs' controls, its menus, its help
// popups and its message boxes. In the dark look each takes the theme's colours and the dark
// native parts (winbase/DarkMode.h); in a light look a window darkened before gets the system's
// look back, and one never darkened is left as it is, so a light look costs nothing.
#pragma once

#include <windows.h>

// The dark look's answer to a WM_CTLCOLOR* message for a control of a dialog: the device context
// gets the surface's colours (a list or edit box: the window colours; anything else the dialog's)
// and the surface's brush is the answer. A push button keeps the system's text colour, as its
// face stays the system's where it cannot be darkened.
INT_PTR DarkColourAnswer(UINT message, HDC dc);

// A dialog's control: its native parts, and the colours of controls that do not ask their owner
// (a list view, a rich edit box).
void ThemeControl(HWND control);
// A help popup (tooltip): its colours and look.
void ThemeTooltip(HWND tooltip);
// The background of one of the program's menus (the item texts are drawn by the program). A
// menu with no item of the program's (see winbase/MenuItems.h) is left alone.
void ThemeMenuBackground(HMENU menu);
// A system message box of the program, once it shows: in the dark look its title bar, background,
// texts and buttons, as far as the box lets them be changed (its button band keeps the system's
// colour on Windows).
void ThemeMessageBox(HWND box);
