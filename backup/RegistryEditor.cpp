// Starting the system's registry editor hidden, for exports and imports of .reg files.
#include "backup/RegistryEditor.h"

#include <shellapi.h>

#include "platform/LibraryFunction.h"
#include "platform/SystemFolders.h"

EditorLaunch StartRegistryEditor(const std::string& arguments) {
    EditorLaunch launch;
    const std::string editor = WindowsDirectory() + "\\regedit.exe";
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    // The shell's execute call, not a plain process start, so that an editor that asks for
    // elevation can get it.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpFile = editor.c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = SW_HIDE;
    static const auto execute = LibraryFunction<decltype(&ShellExecuteExA)>("shell32.dll", "ShellExecuteExA");
    if (!execute || !execute(&info)) {
        launch.error = "Can't start the registry editor " + editor + " (error " + std::to_string(GetLastError()) + ")";
        return launch;
    }
    launch.started = true;
    launch.process = FileHandle(info.hProcess);
    return launch;
}

std::string QuotedPath(const std::string& path) { return "\"" + path + "\""; }
