// zenthar-cli undo FILE: imports an undo file left behind by an interrupted repair.
#include <windows.h>

#include <cstdio>

#include "cli/CliCommon.h"
#include "platform/RepairLock.h"
#include "engine/RegistryLib.h"
#include "xml/XmlReader.h"

int UndoCommand(int argc, char** argv) {
    if (argc != 1) {
        std::fputs("zenthar-cli undo: expected exactly one undo file (see --help)\n", stderr);
        return 2;
    }
    const std::string path = argv[0];
    const DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "zenthar-cli undo: no such file: %s\n", path.c_str());
        return 2;
    }
    RepairLock lock;
    bool busy = false;
    if (!lock.TryAcquire(&busy)) {
        std::fprintf(stderr, "zenthar-cli undo: %s\n", RepairLockRefusal(busy).c_str());
        return 2;
    }
    CRegistryLib lib;
    lib.xmlMessage = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
    XmlReader reader;
    // The reasons of a refused or incomplete import have been printed by now.
    if (lib.LoadXmlFile(reader, path)) return 0;
    if (lib.xmlRefusedForRights) SayRefusedForRights("The undo was");
    return 1;
}
