// The scan's file-test pool and the in-order commit of its verdicts.
#include "engine/OrderedFileTests.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>

#include "engine/StopEvent.h"

namespace {
constexpr int MOST_THREADS = 8;
// How long the scan thread waits for a verdict before it looks at the stop flag again: the flag is
// a plain load mirrored from the event, nothing wakes a waiting thread when it is set.
constexpr std::chrono::milliseconds STOP_POLL{5};

int coresAvailable() {
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
        int n = 0;
        for (; process; process &= process - 1) ++n;
        return n;
    }
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return static_cast<int>(info.dwNumberOfProcessors);
}
}  // namespace

int ScanThreadCount() {
    char text[16] = "";
    DWORD n = GetEnvironmentVariableA("ZENTHAR_SCAN_THREADS", text, sizeof text);
    int wanted = n > 0 && n < sizeof text ? std::atoi(text) : 0;
    if (wanted <= 0) wanted = coresAvailable();
    if (wanted < 1) return 1;
    return wanted > MOST_THREADS ? MOST_THREADS : wanted;
}

OrderedFileTests::~OrderedFileTests() { stop(); }

void OrderedFileTests::start(int threads) {
    stop();
    quit_ = false;
    // The scan thread is one of them: it reads the registry and commits the verdicts.
    if (threads <= 1) return;
    for (int i = 1; i < threads; ++i) workers_.emplace_back([this] { work(); });
}

void OrderedFileTests::stop() {
    gathered_.clear();
    if (workers_.empty()) return;
    {
        std::unique_lock<std::mutex> hold(lock_);
        dropOutstanding(hold);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
    workers_.clear();
}

void OrderedFileTests::work() {
    std::unique_lock<std::mutex> hold(lock_);
    Item* taken[TAKE];
    for (;;) {
        while (nextToTest_ < items_.size() && items_[nextToTest_].state != PENDING) ++nextToTest_;
        if (quit_) return;
        if (nextToTest_ == items_.size()) {
            ++sleeping_;
            wake_.wait(hold);
            --sleeping_;
            continue;
        }
        size_t n = 0;
        for (; n < TAKE && nextToTest_ < items_.size(); ++nextToTest_) {
            Item& item = items_[nextToTest_];  // deque elements stay put while others come and go
            if (item.state != PENDING) continue;
            item.state = RUNNING;
            taken[n++] = &item;
        }
        running_ += n;
        hold.unlock();
        for (size_t i = 0; i < n; ++i) {
            try {
                taken[i]->verdict = taken[i]->test();
            } catch (...) {
                taken[i]->failure = std::current_exception();
            }
        }
        hold.lock();
        for (size_t i = 0; i < n; ++i) taken[i]->state = DONE;
        running_ -= n;
        if (callerWaiting_) finished_.notify_all();
    }
}

void OrderedFileTests::submit(std::function<bool()> test, std::function<void(bool)> commit) {
    if (workers_.empty()) {
        commit(test ? test() : false);
        return;
    }
    gathered_.emplace_back();
    Item& item = gathered_.back();
    item.commit = std::move(commit);
    if (test) item.test = std::move(test);
    else item.state = DONE;
    if (gathered_.size() >= BATCH) handOver();
}

void OrderedFileTests::handOver() {
    std::unique_lock<std::mutex> hold(lock_);
    for (Item& item : gathered_) items_.push_back(std::move(item));
    gathered_.clear();
    if (sleeping_ > 0) wake_.notify_all();
    commitReady(hold);
    while (items_.size() >= CAPACITY && !StopRequested()) {
        waitForVerdicts(hold);
        commitReady(hold);
    }
}

void OrderedFileTests::waitForVerdicts(std::unique_lock<std::mutex>& hold) {
    callerWaiting_ = true;
    finished_.wait_for(hold, STOP_POLL);
    callerWaiting_ = false;
}

void OrderedFileTests::commitReady(std::unique_lock<std::mutex>& hold) {
    while (!items_.empty() && items_.front().state == DONE && !StopRequested()) {
        Item item = std::move(items_.front());
        items_.pop_front();
        if (nextToTest_ > 0) --nextToTest_;
        hold.unlock();
        if (item.failure) {
            hold.lock();
            std::rethrow_exception(item.failure);
        }
        item.commit(item.verdict);
        hold.lock();
    }
}

void OrderedFileTests::finish() {
    if (workers_.empty()) return;
    if (StopRequested()) gathered_.clear();
    if (!gathered_.empty()) handOver();
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        commitReady(hold);
        if (items_.empty()) return;
        if (StopRequested()) break;
        waitForVerdicts(hold);
    }
    dropOutstanding(hold);
}

void OrderedFileTests::dropOutstanding(std::unique_lock<std::mutex>& hold) {
    // Tests not yet taken are dropped at once; a running test still refers to its item.
    for (Item& item : items_)
        if (item.state == PENDING) item.state = DONE;
    nextToTest_ = items_.size();
    callerWaiting_ = true;
    while (running_ > 0) finished_.wait(hold);
    callerWaiting_ = false;
    items_.clear();
    nextToTest_ = 0;
}
