// zenthar-cli scan: the scan run on the console, findings and rows on standard output.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "cli/CliCommon.h"
#include "engine/FindingLevels.h"
#include "engine/Findings.h"
#include "engine/Report.h"
#include "engine/StopEvent.h"

namespace {
enum class OutputFormat { Tsv, Csv, Json };

bool parseFormat(const char* word, OutputFormat& format) {
    if (std::strcmp(word, "tsv") == 0) format = OutputFormat::Tsv;
    else if (std::strcmp(word, "csv") == 0) format = OutputFormat::Csv;
    else if (std::strcmp(word, "json") == 0) format = OutputFormat::Json;
    else return false;
    return true;
}

void printTsv(const ConsoleScan& scan) {
    for (const auto& err : scan.engine.ErrorList) PrintFinding(*err);
    for (const auto& path : scan.shortcuts.invalidShortcuts) PrintShortcutFinding(path);
    for (const auto& row : scan.results) PrintRow(*row);
    if (scan.wantShortcuts) PrintShortcutRow(scan.shortcuts);
}
}  // namespace

int ScanCommand(int argc, char** argv) {
    std::string only;
    OutputFormat format = OutputFormat::Tsv;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else if (std::strcmp(argv[i], "--format") == 0 && i + 1 < argc) {
            if (!parseFormat(argv[++i], format)) {
                std::fprintf(stderr, "zenthar-cli scan: unknown format '%s': use tsv, csv or json (see --help)\n", argv[i]);
                return 2;
            }
        } else {
            std::fprintf(stderr, "zenthar-cli scan: unexpected argument '%s' (see --help)\n", argv[i]);
            return 2;
        }
    }
    ScanSelection selection;
    std::string error;
    if (!ParseCategoryList(only, selection, error)) {
        std::fprintf(stderr, "zenthar-cli scan: %s (see --help)\n", error.c_str());
        return 2;
    }
    ConsoleScan scan;
    scan.run(selection);
    if (format == OutputFormat::Tsv) {
        printTsv(scan);
    } else {
        // The rows end in CR LF of their own; text mode would double the CR.
        _setmode(_fileno(stdout), _O_BINARY);
        const std::vector<Finding> findings = FindingsOf(scan.engine.ErrorList, scan.shortcuts);
        const std::string text =
            format == OutputFormat::Csv ? CsvReport(findings) : JsonReport(findings, CurrentReportHeader());
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    // A full disk or a closed pipe: the findings did not all arrive, which is no result at all.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "zenthar-cli scan: the findings could not be written to standard output\n");
        return 2;
    }
    if (StopRequested()) std::fprintf(stderr, "Scan stopped; the findings above are those made before the stop.\n");
    // The counts per level beside the findings, on standard error: the output's readers see no change.
    std::fprintf(stderr, "%s\n", LevelSummary(CountLevels(scan.engine.ErrorList, scan.shortcuts)).c_str());
    return scan.engine.ErrorList.empty() && scan.shortcuts.invalidShortcuts.empty() ? 0 : 1;
}
