// prepared-body-key MODEL TOOL [OPTION...]: prints the key under which the program keeps the body
// that TOOL makes of MODEL with the options, for the end-to-end test that compares it with the
// one scripts/prepare-cached.sh gives.

#include "common/PreparedBodies.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: prepared-body-key MODEL TOOL [OPTION...]" << std::endl;
        return 2;
    }
    const PreparedBodyKey key =
        preparedBodyKey(argv[1], std::vector<std::string>(argv + 3, argv + argc), argv[2]);
    if (key.key.empty()) {
        std::cerr << key.problem << std::endl;
        return 1;
    }
    std::cout << preparedBodyPath(preparedCacheFolder(), key.key) << std::endl;
    return 0;
}
