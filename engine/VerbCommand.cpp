// Reading a file type's verb command: which program (or rundll32 library) it needs.
#include "engine/VerbCommand.h"

#include "engine/PathCleanup.h"

namespace {
const char* const PROGRAM_EXTENSIONS[] = {".exe", ".com", ".bat", ".cmd", ".pif", ".scr"};

bool endsWithProgramExtension(const std::string& word) {
    const std::string lower = AsciiLower(word);
    for (const char* ext : PROGRAM_EXTENSIONS) {
        const std::string e = ext;
        if (lower.size() > e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0) return true;
    }
    return false;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// An argument rather than a piece of a path: a placeholder, a switch ("/p", "-view"; a lone dash is
// a folder's "Acme - Tools") or a quoted stretch.
bool isArgument(const std::string& word) {
    if (word.empty() || word.find_first_of("%\"") != std::string::npos) return true;
    return word.size() > 1 && (word[0] == '/' || word[0] == '-');
}

// The leading program of an unquoted command: every run of words from the start, shortest
// first, up to the first argument, ending at the first word with a program extension when there is one.
std::vector<std::string> unquotedRuns(const std::string& text, std::string& rest) {
    std::vector<std::string> runs;
    size_t wordStart = 0;
    for (size_t end = 0; end <= text.size(); ++end) {
        if (end < text.size() && !isBlank(text[end])) continue;
        if (end == 0 || isBlank(text[end - 1])) {
            wordStart = end + 1;
            continue;
        }
        const std::string run = text.substr(0, end);
        if (!runs.empty() && isArgument(text.substr(wordStart, end - wordStart))) break;
        wordStart = end + 1;
        if (endsWithProgramExtension(run)) {
            runs.assign(1, run);  // the system stops at the first program it finds
            rest = text.substr(end);
            return runs;
        }
        runs.push_back(run);
    }
    rest = runs.empty() ? std::string() : text.substr(runs.front().size());
    return runs;
}

bool isRundll(const std::string& program) {
    const size_t slash = program.find_last_of("\\/");
    const std::string name = AsciiLower(slash == std::string::npos ? program : program.substr(slash + 1));
    return name == "rundll32" || name == "rundll32.exe";
}

// The library rundll32 is given: its first argument, up to the comma before the entry point.
std::string libraryOf(const std::string& rest) {
    const std::string args = TrimWhite(rest);
    if (!args.empty() && args[0] == '"') {
        const size_t close = args.find('"', 1);
        return close == std::string::npos ? std::string() : args.substr(1, close - 1);
    }
    return TrimWhite(args.substr(0, args.find_first_of(", \t")));
}
}  // namespace

VerbProgram ReadVerbCommand(const std::string& command) {
    VerbProgram out;
    const std::string text = TrimWhite(command);
    std::string rest;
    if (!text.empty() && text[0] == '"') {
        const size_t close = text.find('"', 1);
        if (close == std::string::npos) return out;  // an unclosed quote: no reading to trust
        out.candidates.push_back(TrimWhite(text.substr(1, close - 1)));
        rest = text.substr(close + 1);
    } else {
        out.candidates = unquotedRuns(text, rest);
    }
    if (out.candidates.empty() || out.candidates.front().empty()) return VerbProgram();
    if (isRundll(out.candidates.front())) {
        const std::string library = libraryOf(rest);
        out.candidates.assign(1, library);
        out.library = true;
        if (library.empty()) return VerbProgram();
    }
    // A placeholder ("%1" runs the document itself) names no file to look for.
    if (out.candidates.front().find('%') != std::string::npos) return VerbProgram();
    return out;
}
