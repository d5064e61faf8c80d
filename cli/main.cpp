// zenthar-cli: the console front end of the scan and repair engine.
#include <cstdio>
#include <cstring>

#include "CommandReference.h"  // generated from cli/CommandReference.txt, as the help page
#include "ZentharVersion.h"
#include "cli/CliCommon.h"
#include "platform/DataFolder.h"
#include "platform/SafeStart.h"

namespace {
struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
};

const Command COMMANDS[] = {
    {"scan", ScanCommand},
    {"undo", UndoCommand},
    {"restore", RestoreCommand},
    {"fix", FixCommand},
    {"history", HistoryCommand},
};

// The reference the help page shows too, then the one line that differs between computers.
void printUsage(FILE* to) {
    std::fputs(COMMAND_REFERENCE, to);
    std::fprintf(to, "\nData folder here: %s\n", DataFolder().c_str());
}

bool isHelpWord(const char* word) {
    return std::strcmp(word, "help") == 0 || std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0 ||
           std::strcmp(word, "/?") == 0;
}

// Takes "--data DIR" from before the command; false with a message when DIR is missing.
bool takeDataOption(int& argc, char**& argv) {
    if (argc < 2 || std::strcmp(argv[1], "--data") != 0) return true;
    if (argc < 3 || argv[2][0] == '\0') {
        std::fputs("zenthar-cli: --data needs a folder (see --help)\n", stderr);
        return false;
    }
    SetDataFolder(argv[2]);
    argv[2] = argv[0];
    argc -= 2;
    argv += 2;
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    LimitLibrarySearchToSystem();
    if (!takeDataOption(argc, argv)) return 2;
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    if (isHelpWord(argv[1])) {
        printUsage(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("zenthar-cli %s\n", ZENTHAR_VERSION);
        return 0;
    }
    for (const auto& cmd : COMMANDS) {
        if (std::strcmp(argv[1], cmd.name) != 0) continue;
        // Every command reads the ignore list or writes working files there.
        std::string error;
        if (!DataFolderUsable(error)) {
            std::fprintf(stderr, "zenthar-cli: %s.\n", error.c_str());
            return 2;
        }
        return cmd.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "zenthar-cli: unknown command '%s' (see --help)\n", argv[1]);
    return 2;
}
