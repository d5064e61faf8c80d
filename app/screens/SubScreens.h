// The sub-screens of the main window: the factory the main window calls for each screen line.
#pragma once
#include <memory>

#include "skin/SkinText.h"
#include "skin/SubMainSkin.h"

// A sub-screen with the program's behaviour (settings, click handler, lists) for the screen line.
// The caller creates its window with CSubMainSkin::Create, which runs the building steps.
std::unique_ptr<CSubMainSkin> CreateAppSubScreen(const SkinScreenLine& line);
