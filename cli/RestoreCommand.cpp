// zenthar-cli restore: writes the newest backup of "Registry Backups" back into the registry.
#include <cstdio>

#include "backup/Backup.h"
#include "cli/CliCommon.h"

int RestoreCommand(int argc, char** argv) {
    if (argc > 0) {
        std::fprintf(stderr, "zenthar-cli restore: unexpected argument '%s' (see --help)\n", argv[0]);
        return 2;
    }
    bool refusedForRights = false;
    const RestoreStatus status = RestoreLatestBackup(
        [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }, &refusedForRights);
    if (refusedForRights) SayRefusedForRights("The restore was");
    if (status == RestoreStatus::Refused) return 2;
    return status == RestoreStatus::Complete ? 0 : 1;
}
