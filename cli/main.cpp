// zenthar-cli: the console front end of the scan and repair engine.
#include <cstdio>
#include <cstring>

#include "ZentharVersion.h"
#include "cli/CliCommon.h"
#include "platform/DataFolder.h"

namespace {
const char* const USAGE =
    "Usage: zenthar-cli COMMAND [OPTIONS]\n"
    "       zenthar-cli --data DIR COMMAND [OPTIONS]\n"
    "\n"
    "Working files (ignore.lst, undo files FixedOn....xml, \"Registry Backups\") live in one data\n"
    "folder, whatever the current directory: %%APPDATA%%\\Zenthar, shared with the Zenthar window;\n"
    "here: %s\n"
    "--data DIR uses DIR instead (created if missing). A data folder that cannot be created or\n"
    "written is an error (exit status 2). An ignore.lst or \"Registry Backups\" that an older\n"
    "version left in the current directory or beside the program is still used: the ignore list\n"
    "is taken over when the data folder has none, and restore looks at those backups too.\n"
    "Every repair with something to remove (fix --yes, and the window's) adds one record to the\n"
    "repair log repairs.log there.\n"
    "fix --yes, restore and undo refuse (exit status 2) while a repair or restore of the window\n"
    "or of another zenthar-cli runs.\n"
    "\n"
    "  scan [--only LIST] [--format tsv|csv|json]\n"
    "                       Scan the registry (and the shortcut files of the fixed disks) for\n"
    "                       entries that point at missing files. LIST is a comma-separated subset of\n"
    "                       COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP,\n"
    "                       UNINSTALL, SHORTCUTS (default: all).\n"
    "                       Standard output, tab-separated: one line per finding,\n"
    "                         FINDING<TAB>type<TAB>action<TAB>keyPath<TAB>value name<TAB>filePath\n"
    "                       and on 64-bit Windows <TAB>view after it: 32 or 64, the registry view\n"
    "                       of the entry (both views are scanned there, keys they share once; each\n"
    "                       entry is removed, backed up and restored in its own view)\n"
    "                       (broken shortcuts: FINDING<TAB>SHORTCUT<TAB>FILE<TAB><TAB><TAB>path),\n"
    "                       then one line per category,\n"
    "                         ROW<TAB>title<TAB>scanned<TAB>errors<TAB>fixed\n"
    "                       --format csv: a header row, then one quoted row per finding (category,\n"
    "                       problem, missing file, registry location, what a repair removes, level,\n"
    "                       reason), as the window's saved report; --format json: the same as one\n"
    "                       JSON object. The level is safe, review or risky; the reason says why.\n"
    "                       Standard error ends with the counts per level: \"N found: S safe, R to\n"
    "                       review, K risky\".\n"
    "                       Progress goes to standard error when it is a console. Ctrl+C stops the\n"
    "                       scan; what was found before the stop is still printed.\n"
    "                       Exit status: 0 nothing found, 1 something found, 2 usage error or failure\n"
    "                       (also when the output could not be written).\n"
    "  fix [--only LIST] [--keep PATH]... [--level safe|normal|deep] [--yes]\n"
    "                       Scan as scan does, then remove what was found at the level asked for\n"
    "                       (safe: safe findings; normal, the default: safe and review; deep: all,\n"
    "                       risky ones too); the others stay where they are and are not ignored.\n"
    "                       Standard error says per level how many go and how many stay. Every\n"
    "                       finding whose\n"
    "                       file path is a --keep PATH is left alone and added to ignore.lst; the\n"
    "                       rest is backed up into \"Registry Backups\", written to an undo file\n"
    "                       (FixedOn....xml, deleted when the repair completes) and removed.\n"
    "                       Standard output: the FINDING lines of what is removed, then the ROW\n"
    "                       lines with the fixed counts (negative: access denied). Without --yes\n"
    "                       nothing is changed: the FINDING lines say what would be removed.\n"
    "                       Ctrl+C stops the repair before it begins or before the shortcut files.\n"
    "                       An entry whose backup or undo record cannot be made whole, or whose key\n"
    "                       holds a kept entry, stays; a key that cannot be removed whole is\n"
    "                       written back. The undo file is kept whenever something stayed.\n"
    "                       Exit status: 0 removed (or, without --yes, nothing to remove), 1 stopped\n"
    "                       (or, without --yes, something to remove), 2 usage error, no backup\n"
    "                       could be made, the kept entries could not be saved to ignore.lst, the\n"
    "                       undo file could not be written, an entry stayed, or (with --yes)\n"
    "                       another repair or restore is running.\n"
    "  restore              Write the newest backup in \"Registry Backups\" (of the data folder, the\n"
    "                       current directory or the program's folder) back into the registry.\n"
    "                       Messages go to standard error.\n"
    "                       Exit status: 0 after \"Restore Complete\", 1 when it did not\n"
    "                       complete (no backup, damaged file, registry refused), 2 usage error\n"
    "                       or another repair or restore is running.\n"
    "  restore --repair ID  Write back the backup that repair ID of the history made, and only it.\n"
    "                       Refused (exit status 1, with the reason) when that repair made no\n"
    "                       backup or its backup was rotated away (the newest five are kept).\n"
    "                       Exit status as for restore.\n"
    "  history              The repair log, newest first, one line per repair:\n"
    "                         REPAIR<TAB>id<TAB>date<TAB>removed<TAB>backup\n"
    "                       (removed: the entries and shortcut files it removed; backup: the\n"
    "                       backup file it made, empty when none). A damaged log is read up to\n"
    "                       the damage and said on standard error; unless a repair or restore\n"
    "                       runs, it is set aside whole under a new name (never deleted) and the\n"
    "                       sound repairs go on in a new log.\n"
    "                       Exit status: 0, or 2 when the log cannot be read.\n"
    "  undo FILE            Import an undo file (FixedOn....xml) that an interrupted repair left\n"
    "                       behind: recreates the keys and values it holds. The whole file is\n"
    "                       checked first; a damaged file writes nothing. Messages go to\n"
    "                       standard error. Exit status: 0 imported, 1 the file was refused (with\n"
    "                       the reason) or something could not be written, 2 usage error,\n"
    "                       missing file or another repair or restore is running.\n"
    "  --help               Show this text.\n"
    "  --version            Show the program's version.\n";

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

void printUsage(FILE* to) { std::fprintf(to, USAGE, DataFolder().c_str()); }

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
    if (!takeDataOption(argc, argv)) return 2;
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "/?") == 0) {
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
