// COM class registrations: classes whose server file is missing.
#include <memory>

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

// "InprocServer" and "LocalServer" name 16-bit servers: only the 32-bit side of a 64-bit system
// (or a 32-bit one) ever held 16-bit files, so they are looked for there, in whichever view the
// class is registered.
bool isSixteenBitServer(const std::string& name) {
    const std::string lower = AsciiLower(name);
    return lower == "inprocserver" || lower == "localserver";
}

bool isMailUiPath(const std::string& path) {
    return path.size() >= 10 && path.compare(path.size() - 10, 10, "mailui.dll") == 0;
}

// One server subkey of a class, judged before any of the class's servers is recorded: whether
// the class has a server that works decides which key a stale server's record names.
struct Server {
    enum State { SKIPPED, CHECKED, STALE };  // SKIPPED: counted only, no callback
    RegName name;          // as enumerated
    bool examined = true;  // false when it could not be opened: neither counted nor reported
    State state = SKIPPED;
    ValueRecord rec;
    std::string path;
};

// The registry half: the server's value and the path it names; CHECKED when there is a file to test.
void readServer(HKEY key, Server& server) {
    // Only the unnamed value names the server: a value that is merely called "(Default)" is not
    // read by the system, so it must never get a class deleted.
    server.rec = CRegistryLib::ReadDefaultValue(key);
    server.state = Server::SKIPPED;
    if (server.rec.data == "(value not set)" || !NamesFile(server.rec)) return;
    server.path = CleanPathQSDEP(server.rec.data);
    if (server.path == "(Default)") return;
    server.state = Server::CHECKED;
}

// The file half, on the scan's pool: a CHECKED server whose file is missing becomes STALE.
void testServer(CRegistryLib& lib, Server& server) {
    if (server.state != Server::CHECKED) return;
    if (isMailUiPath(server.path) || lib.CheckFile(server.path, 0) != -1) return;
    if (!StaysMissing(lib.drives, server.rec.data, BareNamePlace::SYSTEM_DIRECTORY, server.path)) return;
    if (!ReadsExactly(server.rec, true)) return;
    server.state = Server::STALE;
}
}  // namespace

void CRegistryLib::ScanCLSID(CategoryResults& results) {
    if (StopRequested()) return;
    const CategoryInfo& info = CategoryInfoOf(COM);
    ScanCounters counts;
    // The records of one class, in the order of the classes, once its servers are tested.
    auto recordClass = [&](std::vector<Server>& servers, const RegName& className, bool hasProgId) {
        bool works = false, stale = false;
        for (const Server& server : servers) {
            works = works || server.state == Server::CHECKED;
            stale = stale || server.state == Server::STALE;
        }
        // A class whose name does not read back exactly is left alone.
        if (stale && !className.exact)
            for (Server& server : servers)
                if (server.state == Server::STALE) server.state = Server::CHECKED;
        const std::string classPath = std::string(CLSID_KEY) + "\\" + className.text;
        for (Server& server : servers) {
            if (!server.examined) continue;
            ++counts.scanned;
            if (server.state == Server::SKIPPED) continue;
            // Beside a working server only the stale server's own subkey goes; a class whose
            // servers are all missing goes whole.
            if (server.state == Server::STALE && works && !server.name.exact) server.state = Server::CHECKED;
            if (server.state == Server::STALE) {
                addError(info.type, works ? classPath + "\\" + server.name.text : classPath, server.rec, info.action,
                         server.path);
                if (hasProgId) ++counts.scanned;  // the ProgID's default value counts as examined
                ++counts.errors;
            }
            report(server.path, info.progressText, counts.scanned, counts.errors);
        }
    };
    RegKey classes;
    if (OpenKeyPath(CLSID_KEY, classes) == ERROR_SUCCESS) {
        std::vector<wchar_t> classBuf;
        if (!PrepareSubkeyBuffer(classes.get(), classBuf)) return;
        RegName className, serverName;
        std::vector<wchar_t> serverBuf;
        std::vector<Server> servers;
        for (DWORD index = 0;; ++index) {
            if (StopRequested()) break;
            if (EnumSubkeyName(classes.get(), index, classBuf, className) != ERROR_SUCCESS) break;
            if (className.text.empty()) continue;
            RegKey classKey;
            if (OpenSubkey(classes.get(), className.text, classKey) != ERROR_SUCCESS) continue;
            // The class's subkey names first: whether it has a ProgID subkey is then known without
            // opening it. A class without subkeys ends its walk at the first enumeration; the name
            // buffer grows when a longer name comes (no size query: one registry round trip less).
            if (serverBuf.size() < 256) serverBuf.assign(256, L'\0');
            servers.clear();
            bool hasProgId = false;
            for (DWORD sub = 0;; ++sub) {
                if (StopRequested()) break;
                if (EnumSubkeyName(classKey.get(), sub, serverBuf, serverName) != ERROR_SUCCESS) break;
                if (isServerSubkey(serverName.text)) servers.push_back(Server{serverName, true, Server::SKIPPED, {}, {}});
                else if (AsciiLower(serverName.text) == "progid") hasProgId = true;
            }
            size_t judged = 0;
            bool anyToTest = false;
            for (Server& server : servers) {
                if (StopRequested()) break;
                RegKey key;
                if (OpenSubkey(classKey.get(), server.name.text, key) != ERROR_SUCCESS) {
                    server.examined = false;
                    ++judged;
                    continue;
                }
                readServer(key.get(), server);
                anyToTest = anyToTest || server.state == Server::CHECKED;
                ++judged;
            }
            if (judged == 0) continue;
            // The class's servers are tested together (whether one works decides what the others'
            // records name) and recorded in the order of the classes.
            auto judgedServers = std::make_shared<std::vector<Server>>(servers.begin(), servers.begin() + judged);
            std::function<bool()> test;
            if (anyToTest)
                test = [this, judgedServers, view64 = FilesInView64()] {
                    const RegistryViewScope tokens(view64);
                    for (Server& server : *judgedServers) {
                        const FileSystemView64 files(view64 && !isSixteenBitServer(server.name.text));
                        testServer(*this, server);
                    }
                    return true;
                };
            fileTests_.submit(std::move(test), [&, judgedServers, className, hasProgId](bool) {
                recordClass(*judgedServers, className, hasProgId);
            });
        }
    }
    fileTests_.finish();
    AppendRow(results, COM, counts);
}
