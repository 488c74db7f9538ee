#pragma once

/// The threads that share the body step and the contact pass. They are started once, before
/// the first tick, and wait between ticks; splitting work among them never changes a result,
/// because every value is computed by exactly one thread in the same way as alone.

/// How many threads the heavy passes may use: all the machine's cores unless set otherwise.
int workerCount();

/// Sets the number of threads for the heavy passes, held to 1 .. the machine's core count.
void setWorkerCount(int count);

/// Starts the threads now, so that no tick pays for creating them.
void startWorkers();

/// The number of threads worth using for `items` units of work that each cost about as much
/// as one spring: small bodies stay on one thread, where handing work over would cost more
/// than it saves.
int workersFor(long long items);
