// The benchmark's one table, in Markdown, under a few lines naming the machine and with a few
// notes below it on how the figures were taken.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ReportRow {
    std::string figure;
    std::string veilbox;
    std::string floor;
    std::string ratio;
    std::string target;
    // "yes", "no", or "—" for figures without a target.
    std::string met;
};

class Report {
public:
    void Add(ReportRow row) { m_rows.push_back(std::move(row)); }
    void Note(std::string note) { m_notes.push_back(std::move(note)); }
    // A line above the table (the machine, the date).
    void Header(std::string line) { m_header.push_back(std::move(line)); }
    std::string Markdown() const;
    // Writes Markdown() to path, making its folder when only the folder itself is missing;
    // false when the file cannot be written.
    bool Write(const std::string& path) const;

private:
    std::vector<ReportRow> m_rows;
    std::vector<std::string> m_notes;
    std::vector<std::string> m_header;
};

// "yes" or "no".
inline std::string Met(bool met) { return met ? "yes" : "no"; }
