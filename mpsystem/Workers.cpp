#include "mpsystem/Workers.h"

#include <omp.h>

#include <algorithm>

namespace {

/// Below this many spring-sized units of work (about 20 microseconds on one core) the hand-over
/// to a second thread costs more than it saves.
constexpr long long minItemsPerExtraWorker = 4096;

int coreCount() {
    static const int cores = std::max(1, omp_get_num_procs());
    return cores;
}

int chosenCount = 0;

} // namespace

int workerCount() {
    return chosenCount > 0 ? chosenCount : coreCount();
}

void setWorkerCount(int count) {
    chosenCount = std::clamp(count, 1, coreCount());
}

void startWorkers() {
    const int count = workerCount();
    if (count > 1) {
#pragma omp parallel num_threads(count)
        {}
    }
}

int workersFor(long long items) {
    const long long useful = std::max(1LL, items / minItemsPerExtraWorker);
    return static_cast<int>(std::min<long long>(workerCount(), useful));
}
