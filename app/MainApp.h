// CMainApp: the program's start: the command line, the main window run modally, then the end.
#pragma once
#include <string>

#include "framework/Application.h"

class CMainApp : public Application {
public:
    using Application::Application;

    // The text after the program's name on a full command line: the name is one token (quoted
    // or not) and one blank separates it from the rest; further blanks belong to the rest.
    static std::string ArgumentsOf(const std::string& fullCommandLine);
    // Only the exact, case-sensitive text "scan" asks for a scan at start.
    static bool IsScanCommand(const std::string& arguments);
    // A start that goes straight to the tray: the argument "/tray" alone (in any case, blanks
    // around it allowed), or a start shown minimised (`showCommand` as STARTUPINFO gives it,
    // -1 when it gives none).
    static bool StartsInTray(const std::string& arguments, int showCommand);
    // The show command this process was started with, or -1.
    static int StartupShowCommand();

protected:
    // A later start hands its arguments to the running copy's window and ends; the first sets
    // scanAtStart, runs the main window modally and returns false: the process ends with it.
    bool InitInstance() override;
};
