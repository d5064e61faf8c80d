// The window program's entry point.
#include <windows.h>

#include "app/MainApp.h"
#include "platform/SafeStart.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    LimitLibrarySearchToSystem();
    CMainApp app(instance, commandLine);
    return app.Run();
}
