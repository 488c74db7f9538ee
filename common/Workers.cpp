#include "common/Workers.h"

#include "common/Check.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif
#if defined(__linux__)
#include <sched.h>
#endif

namespace {

/// Below this many spring-sized units of work (about 20 microseconds on one core) the hand-over
/// to a second thread costs more than it saves.
constexpr long long minItemsPerExtraWorker = 4096;

/// How long a waiting thread polls before it sleeps: long enough to span the gap between the
/// two jobs of one step, short enough to leave the cores to the drawing between ticks.
constexpr std::chrono::microseconds spinTime(20);

void pause() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
}

/// Polls `done` for at most spinTime; true when it came true.
template <typename Done> bool spinUntil(Done done) {
    const auto end = std::chrono::steady_clock::now() + spinTime;
    for (;;) {
        for (int k = 0; k < 16; ++k) {
            if (done()) {
                return true;
            }
            pause();
        }
        if (std::chrono::steady_clock::now() >= end) {
            return done();
        }
    }
}

/// The cores this process may run on (a processor set given to it counts, not the machine's).
int coreCount() {
    static const int cores = [] {
#if defined(__linux__)
        cpu_set_t set;
        if (sched_getaffinity(0, sizeof set, &set) == 0) {
            return std::max(1, CPU_COUNT(&set));
        }
#endif
        return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    }();
    return cores;
}

int chosenCount = 0;

/// A job's word: its generation in the high half; in the low half the next item of those handed
/// out in turn (low 24 bits) and a bit for each of the first items (high 8 bits), which each
/// thread tries its own of first, so that a part of a job stays with the thread whose caches
/// hold its data from the job before. Once the job is over the low half is all ones: no item
/// is left, whatever count a late helper reads.
constexpr uint64_t closed = 0xffffffffu;
constexpr int counterBits = 24;
constexpr int maxOwnItems = 8;

/// The helpers and the one job they share. The job's generation and its items' claims live in
/// one word, so that a helper can only take an item of the job it read: a late helper's claim
/// on a finished job fails instead of taking an item of the next one.
///
/// The pool lives as long as the process: the helpers sleep when idle and end with it. It is
/// never joined at exit, where a child process made by fork (which has no helpers) would wait
/// for ever; such a child's jobs simply run on its one thread.
class Pool {
public:
    void start() {
        std::lock_guard<std::mutex> lock(startMutex_);
        while (helpers_ < coreCount() - 1) {
            const int index = helpers_++;
            std::thread([this, index] { serve(index); }).detach();
        }
    }

    void run(int count, int workers, void (*run)(void*, int), void* work) {
        // One job at a time: a job started from inside another's item would change the fields
        // that the other's helpers are still reading.
        const uint64_t before = state_.load(std::memory_order_relaxed);
        PLIMMERTON_CHECK(before == 0 || static_cast<uint32_t>(before) == closed,
                         "no other job is running");
        PLIMMERTON_CHECK(count < (1 << counterBits), "a job's items fit its counter");
        run_ = run;
        work_ = work;
        count_.store(count, std::memory_order_relaxed);
        helpersWanted_.store(workers - 1, std::memory_order_relaxed);
        done_.store(0, std::memory_order_relaxed);
        const int own = std::min({workers, count, maxOwnItems});
        ownItems_.store(own, std::memory_order_relaxed);
        const uint64_t generation = (state_.load(std::memory_order_relaxed) >> 32) + 1;
        state_.store((generation << 32) | static_cast<uint64_t>(own), std::memory_order_release);
        {
            // Taking the lock orders this job before any helper's decision to sleep.
            std::lock_guard<std::mutex> lock(mutex_);
        }
        wake_.notify_all();
        takeItems(generation, 0);
        // A helper still at an item is waited for: briefly by polling, then asleep until the
        // helper that finishes the last item wakes this thread.
        auto finished = [&] { return done_.load() >= count; };
        if (!spinUntil(finished)) {
            std::unique_lock<std::mutex> lock(mutex_);
            callerWaits_.store(true);
            finishedJob_.wait(lock, finished);
            callerWaits_.store(false);
        }
        // Closes the job before the next one's fields change.
        state_.store((generation << 32) | closed, std::memory_order_release);
    }

private:
    /// Thread `self` (the caller is 0, helper k is k + 1) takes its own item, then the items
    /// handed out in turn, then the own items of threads that have not begun.
    void takeItems(uint64_t generation, int self) {
        const int own = ownItems_.load(std::memory_order_relaxed);
        if (self < own && claimOwn(generation, self)) {
            runItem(self);
        }
        uint64_t state = state_.load(std::memory_order_acquire);
        for (;;) {
            if ((state >> 32) != generation) {
                return;
            }
            const uint32_t item = static_cast<uint32_t>(state) & ((1u << counterBits) - 1);
            if (item >= static_cast<uint32_t>(count_.load(std::memory_order_relaxed))) {
                break;
            }
            if (state_.compare_exchange_weak(state, state + 1, std::memory_order_acq_rel)) {
                runItem(static_cast<int>(item));
                state = state_.load(std::memory_order_acquire);
            }
        }
        for (int item = 0; item < own; ++item) {
            if (claimOwn(generation, item)) {
                runItem(item);
            }
        }
    }

    /// Claims own item `item` of job `generation`; false when it is taken or the job is over.
    bool claimOwn(uint64_t generation, int item) {
        const uint64_t bit = uint64_t{1} << (counterBits + item);
        uint64_t state = state_.load(std::memory_order_acquire);
        while ((state >> 32) == generation && (state & bit) == 0) {
            if (state_.compare_exchange_weak(state, state | bit, std::memory_order_acq_rel)) {
                return true;
            }
        }
        return false;
    }

    void runItem(int item) {
        run_(work_, item);
        // Both this count and the caller's flag are sequentially consistent: either the caller
        // sees the last item done before it sleeps, or this sees it asleep.
        if (done_.fetch_add(1) + 1 == count_.load(std::memory_order_relaxed) &&
            callerWaits_.load()) {
            { std::lock_guard<std::mutex> lock(mutex_); }
            finishedJob_.notify_one();
        }
    }

    void serve(int index) {
        uint64_t seen = 0;
        for (;;) {
            auto newJob = [&] { return (state_.load(std::memory_order_acquire) >> 32) != seen; };
            if (!spinUntil(newJob)) {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, newJob);
            }
            const uint64_t generation = state_.load(std::memory_order_acquire) >> 32;
            seen = generation;
            if (index < helpersWanted_.load(std::memory_order_relaxed)) {
                takeItems(generation, index + 1);
            }
        }
    }

    std::atomic<uint64_t> state_{0};
    std::atomic<int> done_{0};
    void (*run_)(void*, int) = nullptr;
    void* work_ = nullptr;
    std::atomic<int> count_{0};
    std::atomic<int> ownItems_{0};
    std::atomic<int> helpersWanted_{0};
    int helpers_ = 0;
    std::mutex startMutex_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> callerWaits_{false};
    std::condition_variable finishedJob_;
};

Pool& pool() {
    static Pool* const instance = new Pool;
    return *instance;
}

} // namespace

int workerCount() {
    return chosenCount > 0 ? chosenCount : coreCount();
}

void setWorkerCount(int count) {
    chosenCount = std::clamp(count, 1, coreCount());
}

void startWorkers() {
    if (coreCount() > 1) {
        pool().start();
    }
}

int workersFor(long long items) {
    const long long useful = std::max(1LL, items / minItemsPerExtraWorker);
    return static_cast<int>(std::min<long long>(workerCount(), useful));
}

void runItems(int count, int workers, void (*run)(void* work, int item), void* work) {
    PLIMMERTON_CHECK(count >= 0 && run != nullptr, "a job has a number of items and work to do");
    if (workers <= 1 || count <= 1 || coreCount() <= 1) {
        for (int item = 0; item < count; ++item) {
            run(work, item);
        }
        return;
    }
    startWorkers();
    pool().run(count, std::min(workers, coreCount()), run, work);
}
