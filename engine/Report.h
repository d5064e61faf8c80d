// Saved reports of the findings: CSV for a spreadsheet, one self-contained HTML page, and JSON for
// scripts. No window code: the result page and the console write the same files.
#pragma once
#include <string>
#include <vector>

#include "engine/Findings.h"

struct ReportHeader {
    std::string date;      // "2026-12-08 15:30"
    std::string computer;  // the computer's name
};

// Now, and this computer's name.
ReportHeader CurrentReportHeader();

// A header row, then one row per finding; every field quoted, rows ended by CR LF, text in the
// code page (as a spreadsheet opens a CSV file). A field that a spreadsheet would take for a
// formula (starting with = + - @) gets a leading apostrophe.
std::string CsvReport(const std::vector<Finding>& findings);
// One page in UTF-8, well-formed as XML too: the date, the computer, the counts per category and
// every finding.
std::string HtmlReport(const std::vector<Finding>& findings, const ReportHeader& header);
// {"date":..., "computer":..., "findings":[{...}, ...]} in UTF-8.
std::string JsonReport(const std::vector<Finding>& findings, const ReportHeader& header);

// Writes `text` to `path`, replacing the file whole. False, with the reason in `error`, when it could
// not be written whole (a read-only file, a folder of that name, no room); an older file of that
// name then stays as it was.
bool WriteReportFile(const std::string& path, const std::string& text, std::string& error);

// The flag word of a category ("COM", "STARTUP"), as the console's --only takes it.
const char* CategoryWord(ScanCategory category);
// What a repair removes: "key", "value" or "shortcut file".
const char* RemovalWord(const Finding& finding);
