// The result page's row menu (Keep, Open in Registry Editor, Open folder, Copy) and its saved report.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstring>

#include "app/screens/ResultList.h"
#include "engine/RegistryLib.h"
#include "engine/Report.h"
#include "skin/SkinList.h"

namespace {
constexpr const char REGEDIT_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

void sayError(HWND owner, const std::string& text) { MessageBoxA(owner, text.c_str(), "Zenthar", MB_OK | MB_ICONERROR); }

bool copyToClipboard(HWND owner, const std::string& text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool placed = false;
    if (memory) {
        if (void* at = GlobalLock(memory)) {
            std::memcpy(at, text.c_str(), text.size() + 1);
            GlobalUnlock(memory);
            placed = SetClipboardData(CF_TEXT, memory) != nullptr;
        }
        if (!placed) GlobalFree(memory);  // the clipboard owns it only once placed
    }
    CloseClipboard();
    return placed;
}

bool endsWith(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && _stricmp(text.c_str() + text.size() - n, tail) == 0;
}
}  // namespace

std::string NearestExistingFolder(const std::string& path) {
    std::string folder = path;
    while (!folder.empty()) {
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return folder;
        const size_t cut = folder.find_last_of("\\/");
        if (cut == std::string::npos) return std::string();
        // "C:\" is a folder of its own; "C:" alone would mean the current folder of that drive.
        folder = cut == 2 && folder[1] == ':' ? folder.substr(0, 3) : folder.substr(0, cut);
        if (folder.size() == 3 && GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return std::string();
    }
    return std::string();
}

std::string RegistryEditorPath(const std::string& key, const std::string& lastKey) {
    // The editor names the root of its tree in the path it remembers ("Computer", "My Computer" on
    // older systems, or a translation): the name it wrote itself is the one it finds again.
    if (lastKey.rfind("HKEY_", 0) == 0) return key;
    const size_t cut = lastKey.find('\\');
    const std::string root = lastKey.empty() ? std::string(LOBYTE(LOWORD(GetVersion())) >= 6 ? "Computer" : "My Computer")
                                             : lastKey.substr(0, cut);
    return root + "\\" + key;
}

bool OpenInRegistryEditor(const std::string& key, std::string& error) {
    HKEY applet = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, REGEDIT_KEY, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                              &applet, nullptr);
    std::string last;
    if (rc == ERROR_SUCCESS) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(applet, "LastKey", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ && size > 0) {
            std::string stored(size, '\0');
            if (RegQueryValueExA(applet, "LastKey", nullptr, &type, reinterpret_cast<BYTE*>(&stored[0]), &size) == ERROR_SUCCESS)
                last = stored.c_str();
        }
        last = RegistryEditorPath(key, last);
        rc = RegSetValueExA(applet, "LastKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(last.c_str()),
                            static_cast<DWORD>(last.size() + 1));
        RegCloseKey(applet);
    }
    if (rc != ERROR_SUCCESS) {
        error = "The registry editor's last key could not be set (error " + std::to_string(rc) + ").";
        return false;
    }
    const auto started = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", "regedit.exe", nullptr, nullptr, SW_SHOWNORMAL));
    if (started <= 32) {
        error = "The registry editor could not be started (error " + std::to_string(started) + ").";
        return false;
    }
    return true;
}

void ResultPage::AddRowItems(HMENU popup, int row) {
    const Finding* f = FindingAtRow(row);
    if (!f) return;
    UINT at = 0;
    InsertMenuA(popup, at++, MF_BYPOSITION | MF_STRING, ID_RESULT_KEEP, "&Keep (untick)");
    InsertMenuA(popup, at++, MF_BYPOSITION | MF_STRING | (f->shortcut ? MF_GRAYED : 0), ID_RESULT_REGEDIT,
                "Open in &Registry Editor");
    InsertMenuA(popup, at++, MF_BYPOSITION | MF_STRING | (f->missingFile.empty() ? MF_GRAYED : 0), ID_RESULT_OPEN_FOLDER,
                "Open &folder");
    InsertMenuA(popup, at++, MF_BYPOSITION | MF_STRING, ID_RESULT_COPY, "&Copy");
    InsertMenuA(popup, at, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

void ResultPage::RowCommand(UINT id, int row) {
    const Finding* f = FindingAtRow(row);
    if (!f) return;
    std::string error;
    switch (id) {
        case ID_RESULT_KEEP:
            list_.SetChecked(row, false);
            // On the list at once, as the menu promises: a later scan passes it by even without a
            // repair in between. The repair's own write of unticked rows then finds it there.
            if (CRegistryLib::KeepOnIgnoreList(f->shortcut ? f->location : f->missingFile) != 0)
                sayError(page_, "The entry could not be put on the ignore list " + CRegistryLib::IgnoreFileName() +
                                    "; it stays unticked for this repair.");
            break;
        case ID_RESULT_REGEDIT:
            if (!f->shortcut && !OpenInRegistryEditor(f->key, error)) sayError(page_, error);
            break;
        case ID_RESULT_OPEN_FOLDER: {
            const std::string folder = NearestExistingFolder(f->missingFile);
            if (folder.empty()) {
                sayError(page_, "No folder of " + f->missingFile + " exists any more.");
            } else if (reinterpret_cast<INT_PTR>(ShellExecuteA(page_, "open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) <= 32) {
                sayError(page_, "The folder " + folder + " could not be opened.");
            }
            break;
        }
        case ID_RESULT_COPY:
            if (!copyToClipboard(page_, FindingLine(*f))) sayError(page_, "The entry could not be put on the clipboard.");
            break;
        default:
            break;
    }
}

void ResultPage::SaveReport() {
    char file[MAX_PATH] = "Zenthar report.csv";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = page_;
    dialog.lpstrFilter = "CSV for a spreadsheet (*.csv)\0*.csv\0Web page (*.html)\0*.html;*.htm\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrTitle = "Save report";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&dialog)) return;  // cancelled
    std::string path = file;
    // The name's own ending decides; a name without one of ours gets the ending of the chosen type
    // (the dialog would give every name the same default ending, whatever type was chosen).
    bool html = endsWith(path, ".html") || endsWith(path, ".htm");
    if (!html && !endsWith(path, ".csv")) {
        html = dialog.nFilterIndex == 2;
        path += html ? ".html" : ".csv";
        // The dialog asked about the name as typed, not about this one.
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
            MessageBoxA(page_, (path + " already exists. Replace it?").c_str(), "Save report",
                        MB_YESNO | MB_ICONWARNING) != IDYES)
            return;
    }
    const std::string text = html ? HtmlReport(findings_, CurrentReportHeader()) : CsvReport(findings_);
    std::string error;
    if (!WriteReportFile(path, text, error)) sayError(page_, error);
}
