#include "common/ErrorLine.h"

#include <atomic>
#include <iostream>

namespace {

// A body may be read on another thread than the one that writes the program's messages.
std::atomic<bool> errorLineOpen{false};

} // namespace

void setErrorLineOpen(bool open) {
    errorLineOpen = open;
}

std::ostream& freshErrorLine() {
    if (errorLineOpen.exchange(false)) {
        std::cerr << '\n';
    }
    return std::cerr;
}
