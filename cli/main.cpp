// zenthar-cli: the console front end of the scan and repair engine.
#include <cstdio>
#include <cstring>

#include "ZentharVersion.h"
#include "cli/CliCommon.h"

namespace {
const char* const USAGE =
    "Usage: zenthar-cli COMMAND [OPTIONS]\n"
    "\n"
    "Working files (ignore.lst, undo files, \"Registry Backups\") live in the current directory.\n"
    "\n"
    "  scan [--only LIST]   Scan the registry (and the shortcut files of the fixed disks) for\n"
    "                       entries that point at missing files. LIST is a comma-separated subset of\n"
    "                       COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP,\n"
    "                       UNINSTALL, SHORTCUTS (default: all).\n"
    "                       Standard output, tab-separated: one line per finding,\n"
    "                         FINDING<TAB>type<TAB>action<TAB>keyPath<TAB>value name<TAB>filePath\n"
    "                       (broken shortcuts: FINDING<TAB>SHORTCUT<TAB>FILE<TAB><TAB><TAB>path),\n"
    "                       then one line per category,\n"
    "                         ROW<TAB>title<TAB>scanned<TAB>errors<TAB>fixed\n"
    "                       Progress goes to standard error when it is a console. Ctrl+C stops the\n"
    "                       scan; what was found before the stop is still printed.\n"
    "                       Exit status: 0 nothing found, 1 something found, 2 usage error or failure.\n"
    "  fix [--only LIST] [--keep PATH]... [--yes]\n"
    "                       Scan as scan does, then remove what was found: every finding whose\n"
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
    "                       undo file could not be written, or an entry stayed.\n"
    "  restore              Write the newest backup in \"Registry Backups\" back into the registry.\n"
    "                       Messages go to standard error.\n"
    "                       Exit status: 0 after \"Restore Complete\", 1 when it did not\n"
    "                       complete (no backup, damaged file, registry refused), 2 usage error.\n"
    "  undo FILE            Import an undo file (FixedOn....xml) that an interrupted repair left\n"
    "                       behind: recreates the keys and values it holds. The whole file is\n"
    "                       checked first; a damaged file writes nothing. Messages go to\n"
    "                       standard error. Exit status: 0 imported, 1 the file was refused (with\n"
    "                       the reason) or something could not be written, 2 usage error or\n"
    "                       missing file.\n"
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
};
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "/?") == 0) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("zenthar-cli %s\n", ZENTHAR_VERSION);
        return 0;
    }
    for (const auto& cmd : COMMANDS)
        if (std::strcmp(argv[1], cmd.name) == 0) return cmd.run(argc - 2, argv + 2);
    std::fprintf(stderr, "zenthar-cli: unknown command '%s' (see --help)\n", argv[1]);
    return 2;
}
