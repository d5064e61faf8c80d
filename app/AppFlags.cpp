// The process-wide flags of the application.
#include "app/AppFlags.h"

std::atomic<int> scanAtStart{0};
std::atomic<int> scanInProgress{0};
std::atomic<int> fixInProgress{0};
std::atomic<int> appClosing{0};
