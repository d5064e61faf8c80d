// zenthar-cli restore: writes the newest backup of "Registry Backups" back into the registry, or,
// with --repair ID, the backup that logged repair made.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "backup/Backup.h"
#include "cli/CliCommon.h"
#include "routines/RepairLog.h"

namespace {
// A repair id: a whole positive number.
bool parseId(const char* text, int& id) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (!*text || *end || n <= 0 || n > 1000000000L) return false;
    id = static_cast<int>(n);
    return true;
}
}  // namespace

int RestoreCommand(int argc, char** argv) {
    int id = 0;
    bool whole = false;
    for (; argc > 0; --argc, ++argv) {
        if (std::strcmp(argv[0], "--whole") == 0) {
            whole = true;
        } else if (std::strcmp(argv[0], "--repair") == 0 && !id) {
            if (argc < 2 || !parseId(argv[1], id)) {
                std::fputs("zenthar-cli restore: --repair needs the id of a repair (see history)\n", stderr);
                return 2;
            }
            --argc;
            ++argv;
        } else {
            std::fprintf(stderr, "zenthar-cli restore: unexpected argument '%s' (see --help)\n", argv[0]);
            return 2;
        }
    }
    bool refusedForRights = false;
    const BackupMessageCallback say = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
    // A whole-registry backup of an older version goes back only when --whole says so.
    RestoreDialogue dialogue;
    if (whole) dialogue.confirmWhole = [](const std::string&) { return true; };
    const RestoreStatus status = id ? RestoreRepair(id, say, &refusedForRights, &dialogue)
                                    : RestoreLatestBackup(say, &refusedForRights, &dialogue);
    if (status == RestoreStatus::NotConfirmed) {
        std::fprintf(stderr, "%s\nNothing was restored. Run it again with --whole to write it back all the same.\n",
                     WholeRegistryWarning(dialogue.file).c_str());
        return 1;
    }
    if (refusedForRights) SayRefusedForRights("The restore was");
    if (status == RestoreStatus::Refused) return 2;
    return status == RestoreStatus::Complete ? 0 : 1;
}
