// The help page: the built-in text, the copy in the data folder, and opening it.
#include "app/HelpPage.h"

#include "app/SupportPage.h"
#include "framework/Resource.h"
#include "platform/DataFolder.h"

namespace {
constexpr const char HELP_PAGE_RESOURCE[] = "HELPPAGE";
constexpr const char SUPPORT_MARK[] = "<!--@SUPPORT_LINK@-->";

std::string EscapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

bool FileHolds(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string held(text.size() + 1, '\0');  // one byte more: a longer file differs
    DWORD got = 0;
    const bool read = ReadFile(file, &held[0], static_cast<DWORD>(held.size()), &got, nullptr) != FALSE;
    CloseHandle(file);
    return read && got == text.size() && held.compare(0, got, text) == 0;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The page to open: the data folder's copy, else the installed one; empty with `problem` when none.
std::string PlaceHelpPage(std::string& problem) {
    const std::string text = HelpPageText(SupportPageAddress());
    const std::string written = DataFilePath(HELP_PAGE_FILE);
    if (!text.empty() && WriteHelpPage(written, text)) return written;
    const std::string installed = ProgramFolder() + "\\" + HELP_PAGE_FILE;
    if (PathExists(installed)) return installed;
    problem = text.empty() ? "This copy of Zenthar carries no help page."
                           : "Zenthar could not write its help page to\n" + written;
    return std::string();
}
}  // namespace

std::string HelpPageText(const std::string& supportAddress) {
    const void* data = nullptr;
    DWORD size = 0;
    if (!LoadDataResource(HELP_PAGE_RESOURCE, RT_RCDATA, &data, &size)) return std::string();
    std::string page(static_cast<const char*>(data), size);
    const size_t mark = page.find(SUPPORT_MARK);
    if (!supportAddress.empty() && mark != std::string::npos) {
        const std::string address = EscapeHtml(supportAddress);
        page.replace(mark, sizeof SUPPORT_MARK - 1,
                     "<p id=\"support\">More help on the web: <a href=\"" + address + "\">" + address + "</a></p>");
    }
    return page;
}

bool WriteHelpPage(const std::string& path, const std::string& text) {
    if (FileHolds(path, text)) return true;
    const std::string fresh = path + ".new";
    HANDLE file = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    const bool written = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &put, nullptr) && put == text.size();
    const bool closed = CloseHandle(file) != FALSE;
    if (written && closed && MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileA(fresh.c_str());
    return false;
}

void OpenHelpPage(HWND owner) {
    std::string problem;
    const std::string page = PlaceHelpPage(problem);
    if (page.empty()) {
        MessageBoxA(owner, problem.c_str(), "Zenthar", MB_OK | MB_ICONWARNING);
        return;
    }
    if (OpenWithShell(owner, page.c_str(), nullptr, SW_SHOWNORMAL) > 32) return;
    const std::string text = "Zenthar could not open its help page: no program opens web pages (.html files) here.\n\n"
                             "The page is at\n" + page + "\nOpen it with any web browser.";
    MessageBoxA(owner, text.c_str(), "Zenthar", MB_OK | MB_ICONINFORMATION);
}
