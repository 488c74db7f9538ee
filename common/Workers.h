#pragma once

/// The threads that share the body step and the contact pass: the calling thread and helper
/// threads started once, before the first tick, which wait between jobs. A job is a number of
/// items that may run in any order and at the same time; every thread takes the next item
/// left until none is, so a helper that the system is slow to wake only takes fewer items, and
/// the caller never waits for a helper that has not begun. Splitting work this way never
/// changes a result: each item is computed by one thread exactly as it would be alone.

/// How many threads the heavy passes may use: all the machine's cores unless set otherwise.
int workerCount();

/// Sets the number of threads for the heavy passes, held to 1 .. the machine's core count.
void setWorkerCount(int count);

/// Starts the helper threads now, so that no tick pays for creating them.
void startWorkers();

/// The number of threads worth using for `items` units of work that each cost about as much
/// as one spring: small bodies stay on one thread, where handing work over would cost more
/// than it saves.
int workersFor(long long items);

/// Runs run(work, item) for every item in [0, count) on the calling thread and at most
/// `workers` - 1 helpers, and returns when all of them are done.
void runItems(int count, int workers, void (*run)(void* work, int item), void* work);

/// The same for any callable taking the item number.
template <typename Work> void forEachItem(int count, int workers, Work&& work) {
    runItems(
        count, workers, [](void* w, int item) { (*static_cast<decltype(&work)>(w))(item); }, &work);
}
