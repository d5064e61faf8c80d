// COM class registrations: classes whose server file is missing.
#include "engine/PathCleanup.h"
#include "engine/SystemPaths.h"
#include "engine/scanners/ScanSupport.h"

namespace {
constexpr const char* CLSID_KEY = "HKEY_CLASSES_ROOT\\CLSID";

bool isServerSubkey(const std::string& name) {
    std::string lower = AsciiLower(name);
    return lower == "inprocserver32" || lower == "localserver32" || lower == "inprocserver" ||
           lower == "localserver";
}

bool isMailUiPath(const std::string& path) {
    return path.size() >= 10 && path.compare(path.size() - 10, 10, "mailui.dll") == 0;
}
}  // namespace

void CRegistryLib::ScanCLSID(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(COM);
    if (StopRequested()) return;
    ScanCounters counts;
    RegKey classes;
    if (OpenKeyPath(CLSID_KEY, classes) == ERROR_SUCCESS) {
        std::vector<char> classBuf;
        if (!PrepareSubkeyBuffer(classes.get(), classBuf)) return;
        std::string className, serverName;
        std::vector<char> serverBuf;
        std::vector<std::string> servers;
        for (DWORD index = 0;; ++index) {
            if (StopRequested()) break;
            if (EnumSubkeyName(classes.get(), index, classBuf, className) != ERROR_SUCCESS) break;
            if (className.empty()) continue;
            RegKey classKey;
            if (RegOpenKeyA(classes.get(), className.c_str(), classKey.put()) != ERROR_SUCCESS) continue;
            // The class's subkey names first: whether it has a ProgID subkey is then known without
            // opening it. A class without subkeys ends its walk at the first enumeration; the name
            // buffer grows when a longer name comes (no size query: one registry round trip less).
            if (serverBuf.size() < 256) serverBuf.assign(256, '\0');
            servers.clear();
            bool hasProgId = false;
            for (DWORD sub = 0;; ++sub) {
                if (StopRequested()) break;
                if (EnumSubkeyName(classKey.get(), sub, serverBuf, serverName) != ERROR_SUCCESS) break;
                if (isServerSubkey(serverName)) servers.push_back(serverName);
                else if (AsciiLower(serverName) == "progid") hasProgId = true;
            }
            for (const std::string& name : servers) {
                if (StopRequested()) break;
                RegKey server;
                if (RegOpenKeyA(classKey.get(), name.c_str(), server.put()) != ERROR_SUCCESS) continue;
                // Only the unnamed value names the server: a value that is merely called
                // "(Default)" is not read by the system, so it must never get a class deleted.
                ValueRecord rec = ReadDefaultValue(server.get());
                ++counts.scanned;
                if (rec.data == "(value not set)") continue;
                std::string path = CleanPathQSDEP(rec.data);
                if (path == "(Default)") continue;
                if (!isMailUiPath(path) && CheckFile(path, 0) == -1) {
                    addError(info.type, std::string(CLSID_KEY) + "\\" + className, rec, info.action, path);
                    if (hasProgId) ++counts.scanned;  // the ProgID's default value counts as examined
                    ++counts.errors;
                }
                report(path, info.progressText, counts.scanned, counts.errors);
            }
        }
    }
    AppendRow(results, COM, counts);
}
