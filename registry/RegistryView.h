// Which registry view this thread's registry calls address. A 32-bit program on 64-bit Windows
// sees the 32-bit view of the redirected keys unless it asks for the 64-bit one in every open and
// create; the registry layer adds ViewAccess() to each, so that a scan, a repair, an undo or a
// restore of one entry happens wholly in that entry's view.
#pragma once
#include <windows.h>

// KEY_WOW64_64KEY while the thread works in the 64-bit view, else 0 (the program's own view, as
// on 32-bit Windows).
REGSAM ViewAccess();
// Whether the thread works in the 64-bit view.
inline bool InView64() { return ViewAccess() != 0; }

// Sets the view of the calling thread while it lives; the 64-bit view only where there is one.
class RegistryViewScope {
public:
    explicit RegistryViewScope(bool view64);
    ~RegistryViewScope();
    RegistryViewScope(const RegistryViewScope&) = delete;
    RegistryViewScope& operator=(const RegistryViewScope&) = delete;

private:
    REGSAM previous_;
};

// Whether `subkey` of `root` is one key shared by both views (the platform keeps some keys once
// for 32-bit and 64-bit programs): opened in each view, both handles name the same stored key.
// False when either view lacks it or on 32-bit Windows.
bool SharedBetweenViews(HKEY root, const char* subkey);
