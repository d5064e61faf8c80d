// The clock's time, its tick, and the section through which a test drives a running program.
#include "settings/Clock.h"

#include <windows.h>

#include "settings/ClockTime.h"
#include "settings/ScheduleMath.h"

Clock::Clock(Source system) : system_(std::move(system)) { lastTick_ = Now(); }

Clock::~Clock() {
    if (section_) UnmapViewOfFile(const_cast<ClockDriveSection*>(section_));
}

long Clock::offset() const { return section_ ? section_->offset : ownOffset_; }

int64_t Clock::Now() const { return system_() + offset(); }

void Clock::Advance(int64_t seconds) {
    const long moved = static_cast<long>(offset() + seconds);
    if (section_)
        InterlockedExchange(&section_->offset, moved);
    else
        ownOffset_ = moved;
}

void Clock::Drive(ClockDriveSection* section) {
    section_ = section;
    driven_ = true;
    lastTick_ = Now();
}

unsigned Clock::TimerMs() const { return driven_ ? CLOCK_DRIVEN_POLL_MS : AUTOSCAN_CHECK_MS; }

bool Clock::TickDue() {
    if (!driven_) return true;
    const int64_t t = Now();
    // A clock set back would otherwise not tick again until it caught up with the last check.
    if (t - lastTick_ < CLOCK_TICK_SECONDS && t >= lastTick_) return false;
    lastTick_ = t;
    return true;
}

void Clock::TickDone(bool scanStarted) {
    if (!section_) return;
    if (scanStarted) InterlockedIncrement(&section_->scans);
    InterlockedIncrement(&section_->ticks);  // last: a test that sees the tick also sees the scan
}

namespace {
// The section a test made for this process, or null.
ClockDriveSection* TestSection() {
    char name[128] = {};
    const DWORD length = GetEnvironmentVariableA(CLOCK_DRIVE_VARIABLE, name, sizeof name);
    if (length == 0 || length >= sizeof name) return nullptr;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name);
    if (!mapping) return nullptr;
    void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(ClockDriveSection));
    CloseHandle(mapping);  // the view keeps the section
    return static_cast<ClockDriveSection*>(view);
}
}  // namespace

Clock& TheClock() {
    static Clock clock(SystemTimeNow);
    static const bool driven = [] {
        if (ClockDriveSection* section = TestSection()) clock.Drive(section);
        return clock.Driven();
    }();
    (void)driven;
    return clock;
}
