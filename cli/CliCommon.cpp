// Shared pieces of the console commands.
#include "cli/CliCommon.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "engine/ScanRun.h"
#include "engine/StopEvent.h"
#include "platform/Wow64.h"

namespace {
bool g_progressShown = false;
DWORD g_lastProgress = 0;

bool stderrIsConsole() {
    static const int console = [] {
        DWORD mode;
        return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) ? 1 : 0;
    }();
    return console != 0;
}

BOOL WINAPI onCtrl(DWORD type) {
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
        SignalStop();
        return TRUE;
    }
    return FALSE;
}
}  // namespace

bool ParseCategoryList(const std::string& list, ScanSelection& selection, std::string& error) {
    if (list.empty()) {
        selection.selectAll();
        return true;
    }
    selection.selectAll(0);
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string word = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        bool known = false;
        for (const auto& row : CATEGORY_TABLE)
            if (word == row.flagName) {
                selection[row.category] = 1;
                known = true;
            }
        if (!known) {
            error = "unknown category '" + word + "'";
            return false;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

std::string OneLineField(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
    }
    return out;
}

void PrintFinding(const RegistryError& err) {
    std::printf("FINDING\t%s\t%s\t%s\t%s\t%s", OneLineField(err.type).c_str(), OneLineField(err.action).c_str(),
                OneLineField(err.keyPath).c_str(), err.value ? OneLineField(err.value->name).c_str() : "",
                OneLineField(err.filePath).c_str());
    // The registry view, only where there are two; after the six fields that readers have always read.
    if (RunningOn64BitWindows()) std::printf("\t%s", err.view64 ? "64" : "32");
    std::printf("\n");
}

void PrintRow(const CategoryResult& row) {
    std::printf("ROW\t%s\t%d\t%d\t%d\n", OneLineField(row.title).c_str(), static_cast<int>(row.scannedCount),
                static_cast<int>(row.errorCount), static_cast<int>(row.fixedCount));
}

void PrintShortcutFinding(const std::string& path) {
    std::printf("FINDING\tSHORTCUT\tFILE\t\t\t%s\n", OneLineField(path).c_str());
}

void PrintShortcutRow(const CShortcut& s) {
    std::printf("ROW\tMissing ShortCuts\t%d\t%d\t%d\n", static_cast<int>(s.scannedCount),
                static_cast<int>(s.errorCount), static_cast<int>(s.fixedCount));
}

void ConsoleProgress(const char* currentItem, const char* progressText, int32_t scanned, int32_t errors) {
    if (!stderrIsConsole()) return;
    DWORD now = GetTickCount();
    if (g_progressShown && now - g_lastProgress < 100) return;
    g_lastProgress = now;
    g_progressShown = true;
    char line[80];
    std::snprintf(line, sizeof line, "%s: %d examined, %d found: %s", progressText, static_cast<int>(scanned),
                  static_cast<int>(errors), currentItem);
    std::fprintf(stderr, "\r%-79s", line);
    std::fflush(stderr);
}

void EndConsoleProgress() {
    if (!g_progressShown) return;
    std::fprintf(stderr, "\r%-79s\r", "");
    std::fflush(stderr);
    g_progressShown = false;
}

void InstallStopOnCtrlC() { SetConsoleCtrlHandler(onCtrl, TRUE); }

void ConsoleScan::run(ScanSelection& selection) {
    InstallStopOnCtrlC();
    ResetStop();
    engine.progressCallback = ConsoleProgress;
    shortcuts.progressCallback = ConsoleProgress;
    wantShortcuts = selection.get(SHORTCUTS) != 0;
    ScanRun(engine, shortcuts, selection, results, nullptr);
    EndConsoleProgress();
}

void SayRefusedForRights(const char* what) {
    std::fprintf(stderr, "%s refused for lack of administrator rights: run it from an administrator console.\n", what);
}

bool RemovalRefusedForRights(const CRegistryLib& engine) { return engine.repairOutcome.refusedForRights > 0; }
