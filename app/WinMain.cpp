// The window program's entry point.
#include <windows.h>

#include "app/MainApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    CMainApp app(instance, commandLine);
    return app.Run();
}
