#include "common/CommandLine.h"

#include <cstring>

const char* findOption(int argc, char** argv, const char* name) {
    static const char emptyText[] = "";
    for (int i = 0; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return argv[i + 1];
        }
    }
    return emptyText;
}

bool isUsageRequest(int argc, char** argv) {
    return argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
}

bool isVersionRequest(int argc, char** argv) {
    return argc == 2 && std::strcmp(argv[1], "--version") == 0;
}
