// One registry entry found invalid, and the owning list of them: the engine reports them, the
// backup and the repair act on them.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "registry/ValueRecord.h"

// One invalid registry entry. Ignore-list entries use the same class with only filePath set.
class RegistryError {
public:
    RegistryError() = default;
    RegistryError(const RegistryError& other);
    RegistryError& operator=(const RegistryError&) = delete;
    virtual ~RegistryError() = default;

    std::string type;
    std::string keyPath;
    std::unique_ptr<ValueRecord> value;
    std::string action;  // "KEY" or "VAL"
    std::string filePath;
    // Found in the 64-bit registry view (KEY_WOW64_64KEY) on 64-bit Windows: it is removed,
    // backed up and restored there, and its file was tested in the 64-bit file-system view.
    bool view64 = false;
    // How safe removing it is, as the engine judged it once the scan had ended (its SafetyLevel;
    // -1 before that), and why in words. The reason is static text of the engine's table.
    int safetyLevel = -1;
    const char* safetyReason = nullptr;
};

using ErrorArray = std::vector<std::unique_ptr<RegistryError>>;
