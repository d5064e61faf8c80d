// The thread's registry view and the test for keys both views share.
#include "registry/RegistryView.h"

#include <string>

#include "platform/Wow64.h"
#include "registry/KeySnapshot.h"
#include "registry/RegKey.h"

namespace {
thread_local REGSAM t_view = 0;
}

REGSAM ViewAccess() { return t_view; }

RegistryViewScope::RegistryViewScope(bool view64) : previous_(t_view) {
    t_view = view64 && RunningOn64BitWindows() ? KEY_WOW64_64KEY : 0;
}

RegistryViewScope::~RegistryViewScope() { t_view = previous_; }

bool SharedBetweenViews(HKEY root, const char* subkey) {
    if (!RunningOn64BitWindows()) return false;
    RegKey own, wide;
    if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, own.put()) != ERROR_SUCCESS) return false;
    if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, wide.put()) != ERROR_SUCCESS) return false;
    const std::wstring a = StoredKeyName(own.get()), b = StoredKeyName(wide.get());
    return !a.empty() && lstrcmpiW(a.c_str(), b.c_str()) == 0;
}
