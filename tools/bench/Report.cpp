#include "Report.h"

#include <windows.h>

#include <cstdio>

namespace {

// A cell may not hold the column separator.
std::string Cell(const std::string& text)
{
    std::string cell;
    for (char c : text)
        cell += c == '|' ? '/' : c;
    return cell.empty() ? "—" : cell;
}

} // namespace

std::string Report::Markdown() const
{
    std::string text;
    for (const std::string& line : m_header)
        text += line + "  \n";
    if (!m_header.empty())
        text += "\n";
    text += "| Figure | Veilbox | Floor, same run | Ratio | Target | Met |\n"
            "|---|---|---|---|---|---|\n";
    for (const ReportRow& row : m_rows) {
        text += "| " + Cell(row.figure) + " | " + Cell(row.veilbox) + " | " + Cell(row.floor) + " | " +
                Cell(row.ratio) + " | " + Cell(row.target) + " | " + Cell(row.met) + " |\n";
    }
    if (!m_notes.empty())
        text += "\n";
    for (const std::string& note : m_notes)
        text += "- " + note + "\n";
    return text;
}

bool Report::Write(const std::string& path) const
{
    size_t folderEnd = path.find_last_of("\\/");
    if (folderEnd != std::string::npos && folderEnd > 0)
        CreateDirectoryA(path.substr(0, folderEnd).c_str(), nullptr);
    FILE* out = fopen(path.c_str(), "wb");
    if (!out)
        return false;
    std::string text = Markdown();
    bool written = fwrite(text.data(), 1, text.size(), out) == text.size();
    return fclose(out) == 0 && written;
}
