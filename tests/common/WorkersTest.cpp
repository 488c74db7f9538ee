// The worker threads: every item of every job runs exactly once, job after job.

#include "common/Workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <vector>

TEST(Workers, EveryItemOfManyJobsInARowRunsExactlyOnce) {
    setWorkerCount(INT_MAX);
    startWorkers();
    std::vector<std::atomic<int>> runs(64);
    for (int job = 0; job < 20000; ++job) {
        const int count = 1 + job % 37;
        for (int k = 0; k < count; ++k) {
            runs[k].store(0);
        }
        forEachItem(count, 1 + job % 3, [&](int item) {
            ASSERT_GE(item, 0);
            ASSERT_LT(item, count);
            runs[item].fetch_add(1);
        });
        for (int k = 0; k < count; ++k) {
            ASSERT_EQ(runs[k].load(), 1) << "item " << k << " of job " << job;
        }
    }
}

TEST(Workers, WorkerCountIsHeldToTheCoresAndWorkIsSplitOnlyWhenWorthIt) {
    setWorkerCount(0);
    EXPECT_EQ(workerCount(), 1);
    setWorkerCount(INT_MAX);
    const int cores = workerCount();
    EXPECT_GE(cores, 1);
    EXPECT_EQ(workersFor(10), 1) << "a tiny body stays on one thread";
    EXPECT_EQ(workersFor(100000000), cores) << "a huge body takes every core";
    setWorkerCount(1);
    EXPECT_EQ(workersFor(100000000), 1);
    setWorkerCount(INT_MAX);
}

TEST(Workers, JobWithoutItemsOrWithOneRunsOnTheCaller) {
    int ran = 0;
    forEachItem(0, 2, [&](int) { ++ran; });
    EXPECT_EQ(ran, 0);
    forEachItem(1, 2, [&](int item) { ran += 1 + item; });
    EXPECT_EQ(ran, 1);
}
