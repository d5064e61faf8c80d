// File tests of a scan run on a small pool while the scan thread reads on; their records are made
// on the scan thread in the order the entries were read, so the findings come out as a walk that
// waits for each answer gives them.
#pragma once
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The number of threads a scan uses, its own included: the cores this process may run on, or the
// ZENTHAR_SCAN_THREADS environment setting (tests and the bench compare against 1, the walk
// without a pool). 1 means every test runs at once on the scan thread.
int ScanThreadCount();

class OrderedFileTests {
public:
    OrderedFileTests() = default;
    ~OrderedFileTests();
    OrderedFileTests(const OrderedFileTests&) = delete;
    OrderedFileTests& operator=(const OrderedFileTests&) = delete;

    // Starts `threads` - 1 workers beside the calling thread (none for 1 or less: tests then run on
    // the caller).
    void start(int threads);
    // Drops what is outstanding and joins the workers; the object runs tests inline again.
    void stop();
    bool pooled() const { return !workers_.empty(); }

    // test() runs on a worker (or at once without a pool); commit(verdict) runs on the calling
    // thread, in the order of the submissions, unless a stop comes first. A null test commits
    // with false. Blocks while the queue is full; gives up waiting when a stop is requested.
    void submit(std::function<bool()> test, std::function<void(bool)> commit);
    // Commits everything outstanding in order. After a stop, what was not committed is dropped,
    // waiting only for the tests already running.
    void finish();

private:
    enum State { PENDING, RUNNING, DONE };
    struct Item {
        std::function<bool()> test;
        std::function<void(bool)> commit;
        State state = PENDING;
        bool verdict = false;
        std::exception_ptr failure;
    };
    // Under Wine every wake-up of another thread is a request to the one server that also answers
    // the registry reads, so the walk hands over entries in batches, a worker takes several at a
    // time, and each side wakes the other only when that one sleeps.
    static constexpr size_t BATCH = 32;     // entries the walk gathers before handing them over
    static constexpr size_t TAKE = 8;       // entries a worker takes at once
    static constexpr size_t CAPACITY = 512; // entries read ahead of the oldest uncommitted one

    void work();
    // Hands the gathered entries to the workers, commits what is ready, waits while the queue is full.
    void handOver();
    // Commits the finished items at the head; stops at the first unfinished one or at a stop.
    void commitReady(std::unique_lock<std::mutex>& hold);
    void waitForVerdicts(std::unique_lock<std::mutex>& hold);
    void dropOutstanding(std::unique_lock<std::mutex>& hold);

    std::mutex lock_;
    std::condition_variable wake_;      // workers: items to test, or quit
    std::condition_variable finished_;  // scan thread: an item was tested
    std::deque<Item> items_;            // uncommitted, in submission order
    std::vector<Item> gathered_;        // the walk's entries not yet handed over (scan thread only)
    size_t nextToTest_ = 0;             // index in items_ of the first item no worker took
    size_t running_ = 0;
    size_t sleeping_ = 0;               // workers waiting for items
    bool callerWaiting_ = false;
    bool quit_ = false;
    std::vector<std::thread> workers_;
};
