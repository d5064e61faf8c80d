// The copy of a registry error record: the value is copied, not shared.
#include "registry/RegistryError.h"

RegistryError::RegistryError(const RegistryError& other)
    : type(other.type), keyPath(other.keyPath),
      value(other.value ? std::make_unique<ValueRecord>(*other.value) : nullptr),
      action(other.action), filePath(other.filePath), view64(other.view64),
      safetyLevel(other.safetyLevel), safetyReason(other.safetyReason) {}
