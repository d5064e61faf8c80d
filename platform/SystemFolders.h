// The system and Windows folders, asked once: helpers that every layer above the platform may use.
#pragma once
#include <string>

const std::string& SystemDirectory();
const std::string& WindowsDirectory();
