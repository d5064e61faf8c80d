// A window's scan objects: the shortcut scanner works with the same engine.
#include "app/ScanObjects.h"

ScanObjects::ScanObjects() : engine(std::make_unique<CRegistryLib>()), shortcut(engine.get()) {}
