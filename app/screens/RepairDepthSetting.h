// The repair depth kept in the settings, and the scan areas page's three choices of it.
#pragma once
#include "engine/SafetyLevels.h"

class CSkinStore;

// The stored depth; a missing or unknown value is the default (Normal).
RepairDepth LoadRepairDepth();
void SaveRepairDepth(RepairDepth depth);

// The radio buttons of the choice, one per depth.
constexpr const char* DEPTH_BUTTONS[] = {"BUTTON_DEPTH_SAFE", "BUTTON_DEPTH_NORMAL", "BUTTON_DEPTH_DEEP"};
// Ticks the button of `depth` and clears the others (pages without the choice are left alone).
void ShowRepairDepth(CSkinStore& store, RepairDepth depth);
// When `pressed` is one of the choice's buttons: keeps that depth, shows it and returns true.
bool PressRepairDepth(CSkinStore& store, const std::string& pressed);
