// A font description kept in a settings sub-key: the thirteen numeric LOGFONTA
// fields by their own names ("lfHeight" holds a size in points), an optional
// "ForeColor" and the face name "lfFaceName".
#pragma once

#include <windows.h>

#include "settings/SettingsKey.h"

// Reads key\name into font (and color, when not null). Only when every value
// could be read is anything copied out; otherwise font and color keep what
// they held. The face name is cut to 31 characters.
bool ReadFont(const SettingsKey& key, const char* name, LOGFONTA& font, COLORREF* color);

// Writes font (and color, when not null) into key\name, stopping at the first
// failed write. True when every write succeeded.
bool WriteFont(const SettingsKey& key, const char* name, const LOGFONTA& font, const COLORREF* color);
