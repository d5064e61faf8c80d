// The program an "open with" command of a file type runs (pure text work, no windows.h).
#pragma once
#include <string>
#include <vector>

// What a verb's command names, its environment tokens already expanded.
struct VerbProgram {
    // The places the program may be, the reading a user would give first: a quoted path whole;
    // an unquoted one up to its first word ending in a program extension, else each run of words
    // from the start (the system tries them the same way). Empty when the command names no file
    // of its own (a placeholder such as "%1", or nothing at all).
    std::vector<std::string> candidates;
    // The command runs a library through rundll32: the candidates name that library.
    bool library = false;
};

VerbProgram ReadVerbCommand(const std::string& command);
