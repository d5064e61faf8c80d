// zenthar-cli history: one line per logged repair, newest first.
#include <cstdio>

#include "cli/CliCommon.h"
#include "platform/RepairLock.h"
#include "routines/RepairLog.h"

int HistoryCommand(int argc, char** argv) {
    if (argc > 0) {
        std::fprintf(stderr, "zenthar-cli history: unexpected argument '%s' (see --help)\n", argv[0]);
        return 2;
    }
    // A damaged log is mended only while no repair can be appending to it.
    RepairLock lock;
    const RepairLogLoad load = LoadRepairLog(lock.TryAcquire(), false);
    lock.Release();
    for (auto r = load.records.rbegin(); r != load.records.rend(); ++r)
        std::printf("REPAIR\t%d\t%s\t%d\t%s\n", r->id, OneLineField(r->time).c_str(), r->Removed(),
                    OneLineField(r->backupFile).c_str());
    std::fflush(stdout);
    if (!load.note.empty()) std::fprintf(stderr, "%s\n", load.note.c_str());
    return load.readable ? 0 : 2;
}
