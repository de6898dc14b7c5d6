// IniLine: one line of the settings file's text (see IniText.h) as the reader takes it and as the
// writer makes or changes it. Each function takes the line without its end and without the
// spaces and tabs at either end (see TrimIniLine), unless it says otherwise.
#pragma once

#include <string>

#include "settings/IniText.h"

namespace initext {

enum class LineKind {
    // Blank, or a comment: its first character is ";" or "#".
    Other,
    // A section header that names a key.
    Section,
    // A line starting with "[" that names none (not closed, text after "]", a bad path).
    Foreign,
    // Any other line: a value of the key of its section.
    Value,
};

// line without the spaces and tabs at either end.
std::string TrimIniLine(const std::string& line);
// The kind of a trimmed line; path is the key a section header names.
LineKind KindOfLine(const std::string& line, const std::string& root, std::string& path);

// The value of a value line. One whose data does not parse keeps the line as its unread text,
// and its name when that reads. Data ends where a ";" or "#" outside quotes starts a comment.
IniValue ParseValueLine(const std::string& line);
// The line of a new value: Name=data.
std::string FormatValueLine(const IniValue& value);
// line (as it stands in the file, spaces and comment included) with its data replaced by that of
// value; the name and whatever follows the data are kept.
std::string RewriteValueLine(const std::string& line, const IniValue& value);

// The section header of a key: "[Name]".
std::string FormatSectionLine(const std::string& path, const std::string& root);

} // namespace initext
