#include "common/BodyAdditions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

bool readCentre(const std::string& text, SbVec3f& centre) {
    const char* next = text.c_str();
    for (int a = 0; a < 3; ++a) {
        char* end = nullptr;
        errno = 0;
        const float value = std::strtof(next, &end);
        if (end == next || errno == ERANGE || !std::isfinite(value)) {
            return false;
        }
        while (*end == ' ') {
            ++end;
        }
        if (*end != (a < 2 ? ',' : '\0')) {
            return false;
        }
        centre[a] = value;
        next = end + (a < 2 ? 1 : 0);
    }
    return true;
}

GivenOptions givenOptions(int argc, char** argv) {
    GivenOptions given;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-') {
            continue;
        }
        given.emplace_back(argv[i], i + 1 < argc ? argv[i + 1] : "");
        ++i;
    }
    return given;
}

bool readBodyAdditions(const GivenOptions& given, std::vector<BodyAddition>& additions,
                       std::string& problem) {
    additions.clear();
    bool placedLast = false;
    for (const auto& [option, value] : given) {
        if (option == "-add") {
            if (value.empty()) {
                problem = "-add needs a body file";
                return false;
            }
            additions.push_back(BodyAddition{value});
            placedLast = false;
        } else if (option == "-at") {
            if (additions.empty()) {
                problem =
                    "-at " + value + " places the body of an -add before it, and there is none";
                return false;
            }
            if (placedLast) {
                problem = "-at " + value + ": " + additions.back().file + " is placed already";
                return false;
            }
            BodyAddition& addition = additions.back();
            if (!readCentre(value, addition.centre)) {
                problem = "-at needs X,Y,Z, three numbers, not '" + value + "'";
                return false;
            }
            addition.placed = true;
            placedLast = true;
        }
    }
    return true;
}
