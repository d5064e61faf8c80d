// The report formats and the file they are written to.
#include "engine/Report.h"

#include <windows.h>

#include <array>
#include <cstdio>

namespace {
// Code-page text as UTF-8: the HTML and JSON files say they are UTF-8.
std::string utf8Of(const std::string& text) {
    bool plain = true;
    for (unsigned char c : text) plain = plain && c < 0x80;
    if (plain || text.empty()) return text;
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return text;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    const int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (m <= 0) return text;
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, &out[0], m, nullptr, nullptr);
    return out;
}

void csvField(std::string& out, const std::string& text) {
    out += '"';
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@')) out += '\'';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void htmlText(std::string& out, const std::string& text) {
    for (char c : utf8Of(text)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                // Control characters are not allowed in XML 1.0; a registry text may hold them.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') out += ' ';
                else out += c;
        }
    }
}

void jsonString(std::string& out, const std::string& text) {
    out += '"';
    for (char c : utf8Of(text)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

// A cell's text, with a place to break after each backslash: a long path then wraps at its folders
// before the page has to break it inside a name.
void htmlCell(std::string& out, const std::string& text) {
    std::string escaped;
    htmlText(escaped, text);
    out += "<td>";
    for (char c : escaped) {
        out += c;
        if (c == '\\') out += "<wbr/>";
    }
    out += "</td>";
}
}  // namespace

const char* CategoryWord(ScanCategory category) { return CategoryInfoOf(category).flagName; }

const char* RemovalWord(const Finding& f) { return f.shortcut ? "shortcut file" : f.removesKey ? "key" : "value"; }

ReportHeader CurrentReportHeader() {
    ReportHeader header;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char date[32];
    std::snprintf(date, sizeof date, "%04u-%02u-%02u %02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute);
    header.date = date;
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    header.computer = GetComputerNameA(name, &size) ? std::string(name, size) : std::string("(unknown)");
    return header;
}

std::string CsvReport(const std::vector<Finding>& findings) {
    std::string out;
    out.reserve(64 + findings.size() * 200);
    out += "\"Category\",\"Problem\",\"Missing file\",\"Registry location\",\"Repair removes\",\"Level\",\"Reason\"\r\n";
    for (const Finding& f : findings) {
        csvField(out, CategoryWord(f.category));
        out += ',';
        csvField(out, f.problem);
        out += ',';
        csvField(out, f.missingFile);
        out += ',';
        csvField(out, f.location);
        out += ',';
        csvField(out, RemovalWord(f));
        out += ',';
        csvField(out, LevelKey(f.level));
        out += ',';
        csvField(out, f.reason);
        out += "\r\n";
    }
    return out;
}

std::string HtmlReport(const std::vector<Finding>& findings, const ReportHeader& header) {
    std::array<size_t, SCAN_CATEGORY_COUNT> counts{};
    LevelCounts levels;
    for (const Finding& f : findings) {
        ++counts[static_cast<size_t>(f.category)];
        levels.add(f.level);
    }
    std::string out;
    out.reserve(2048 + findings.size() * 260);
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>Zenthar scan report</title>\n"
           "<style>body{font-family:sans-serif;margin:2em;color:#222}table{border-collapse:collapse;margin:1em 0}"
           "th,td{border:1px solid #ccc;padding:3px 8px;text-align:left;vertical-align:top}"
           "th{background:#eef3f6}td.n{text-align:right}"
           // Paths and registry locations have no spaces to wrap at: the findings table keeps the
           // window's width with fixed column shares, and a long cell breaks anywhere instead.
           "table.findings{width:100%;table-layout:fixed}table.findings td{overflow-wrap:anywhere;word-wrap:break-word}"
           "col.problem{width:14%}col.file{width:24%}col.location{width:30%}col.removes{width:9%}"
           "col.level{width:7%}col.reason{width:16%}"
           "</style>\n</head>\n<body>\n<h1>Zenthar scan report</h1>\n<p>Date: ";
    htmlText(out, header.date);
    out += "<br/>\nComputer: ";
    htmlText(out, header.computer);
    out += "<br/>\nFindings: " + LevelSummary(levels) + "</p>\n<h2>Counts per category</h2>\n<table>\n"
           "<tr><th>Problem</th><th>Findings</th></tr>\n";
    for (const auto& row : CATEGORY_TABLE) {
        out += "<tr>";
        htmlCell(out, ProblemText(row.category));
        out += "<td class=\"n\">" + std::to_string(counts[static_cast<size_t>(row.category)]) + "</td></tr>\n";
    }
    out += "</table>\n<h2>Findings</h2>\n<table class=\"findings\">\n<colgroup><col class=\"problem\"/>"
           "<col class=\"file\"/><col class=\"location\"/><col class=\"removes\"/><col class=\"level\"/>"
           "<col class=\"reason\"/></colgroup>\n"
           "<tr><th>Problem</th><th>Missing file</th><th>Registry location</th><th>Repair removes</th>"
           "<th>Level</th><th>Reason</th></tr>\n";
    for (const Finding& f : findings) {
        out += "<tr>";
        htmlCell(out, f.problem);
        htmlCell(out, f.missingFile);
        htmlCell(out, f.location);
        htmlCell(out, RemovalWord(f));
        htmlCell(out, LevelWord(f.level));
        htmlCell(out, f.reason);
        out += "</tr>\n";
    }
    out += "</table>\n</body>\n</html>\n";
    return out;
}

std::string JsonReport(const std::vector<Finding>& findings, const ReportHeader& header) {
    std::string out;
    out.reserve(256 + findings.size() * 300);
    out += "{\"date\":";
    jsonString(out, header.date);
    out += ",\"computer\":";
    jsonString(out, header.computer);
    out += ",\"findings\":[";
    bool first = true;
    for (const Finding& f : findings) {
        out += first ? "\n{" : ",\n{";
        first = false;
        out += "\"category\":";
        jsonString(out, CategoryWord(f.category));
        out += ",\"problem\":";
        jsonString(out, f.problem);
        out += ",\"missingFile\":";
        jsonString(out, f.missingFile);
        out += ",\"location\":";
        jsonString(out, f.location);
        out += ",\"key\":";
        jsonString(out, f.key);
        out += ",\"value\":";
        jsonString(out, f.valueName);
        out += ",\"removes\":";
        jsonString(out, RemovalWord(f));
        out += ",\"level\":";
        jsonString(out, LevelKey(f.level));
        out += ",\"reason\":";
        jsonString(out, f.reason);
        out += '}';
    }
    out += "\n]}\n";
    return out;
}

bool WriteReportFile(const std::string& path, const std::string& text, std::string& error) {
    // A read-only file is not replaced, whoever runs the program (the platform may let an
    // administrator write it anyway).
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        error = "The report could not be written to " + path +
                ((attributes & FILE_ATTRIBUTE_DIRECTORY) ? ": a folder has that name." : ": the file is read-only.");
        return false;
    }
    // Written beside it first and put in its place whole: a report that fails half-way leaves an
    // older file of that name as it was.
    const std::string partial = path + ".partial";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) {
        error = "The report could not be written to " + path + ": the file cannot be created there.";
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (written && closed && MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(partial.c_str());
    error = "The report could not be written to " + path + " whole (is the disk full?); nothing was changed.";
    return false;
}
