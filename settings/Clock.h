// The one clock the automatic-scan schedule reads: the time now and the main window's check tick.
#pragma once
#include <cstdint>
#include <functional>

// What a driving test shares with the program (a named section of its own making): seconds added
// to the system time, and the ticks and automatic scans the program has answered with.
struct ClockDriveSection {
    volatile long offset;  // seconds
    volatile long ticks;   // due checks run
    volatile long scans;   // due checks that started a scan
};

// The environment variable that names a test's section; a program started without it, or with a
// name no section has, keeps the system's time and the plain ten-second tick.
constexpr const char* CLOCK_DRIVE_VARIABLE = "ZENTHAR_TEST_CLOCK";
constexpr int64_t CLOCK_TICK_SECONDS = 10;  // clock time between two due checks
constexpr unsigned CLOCK_DRIVEN_POLL_MS = 50;

class Clock {
public:
    using Source = std::function<int64_t()>;
    // `system` gives seconds since 1970-01-01 00:00 UTC.
    explicit Clock(Source system);
    ~Clock();
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;

    // Seconds since 1970-01-01 00:00 UTC: the system's, moved by what a test has advanced.
    int64_t Now() const;
    // Moves this clock's time on (back, for a negative count).
    void Advance(int64_t seconds);

    // Makes the tick follow clock time instead of the timer; `section`, when given, is where a
    // test in another process moves the time and reads the answers.
    void Drive(ClockDriveSection* section = nullptr);
    bool Driven() const { return driven_; }
    // How often the main window's timer asks TickDue.
    unsigned TimerMs() const;
    // Whether the due check runs now: at every timer of the system clock; on a driven clock once
    // ten seconds of clock time have passed since the last check, or at once when it was set back.
    bool TickDue();
    // Tells a driving test that the due check ran and whether it started a scan.
    void TickDone(bool scanStarted);

private:
    long offset() const;

    Source system_;
    long ownOffset_ = 0;
    ClockDriveSection* section_ = nullptr;
    bool driven_ = false;
    int64_t lastTick_ = 0;
};

// The process-wide clock: driven by a test only when the program was started with
// CLOCK_DRIVE_VARIABLE naming a section that exists.
Clock& TheClock();
