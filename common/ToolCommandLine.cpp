#include "common/ToolCommandLine.h"

#include "common/PointList.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <sstream>

const char* plimmertonVersion() {
    return PLIMMERTON_VERSION;
}

ToolCommandLine::ToolCommandLine(std::string name, std::string usage,
                                 std::vector<std::string> valueOptions)
    : name_(std::move(name)), usage_(std::move(usage)), valueOptions_(std::move(valueOptions)) {}

bool ToolCommandLine::read(int argc, char** argv) {
    operands_.clear();
    given_.clear();
    status_ = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (takesValue(argument)) {
            if (i + 1 == argc) {
                refuse("option '" + argument + "' needs a value");
                return false;
            }
            given_.emplace_back(argument, argv[i + 1]);
            ++i;
        } else if (std::find(flags_.begin(), flags_.end(), argument) != flags_.end()) {
            given_.emplace_back(argument, "");
        } else if (argument == "--help" || argument == "-h") {
            std::cout << usage_ << std::endl;
            return false;
        } else if (argument == "--version") {
            std::cout << name_ << " " << plimmertonVersion() << versionNote_ << std::endl;
            return false;
        } else if (argument.size() > 1 && argument[0] == '-') {
            refuse("unknown option '" + argument + "'");
            return false;
        } else {
            operands_.push_back(argument);
        }
    }
    return true;
}

int ToolCommandLine::refuse(const std::string& what) {
    std::cerr << name_ << ": " << what << " (try --help)" << std::endl;
    status_ = 2;
    return status_;
}

bool ToolCommandLine::has(const std::string& option) const {
    return valueOf(option) != nullptr;
}

std::string ToolCommandLine::text(const std::string& option, const std::string& absent) const {
    const std::string* value = valueOf(option);
    return value ? *value : absent;
}

float ToolCommandLine::lenientNumber(const std::string& option) const {
    const std::string* value = valueOf(option);
    return value ? static_cast<float>(std::atof(value->c_str())) : 0.0f;
}

bool ToolCommandLine::wholeNumber(const std::string& option, long least, long most, long& value) {
    const std::string* given = valueOf(option);
    if (!given) {
        return true;
    }
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(given->c_str(), &end, 10);
    if (end == given->c_str() || *end != '\0' || errno == ERANGE || number < least ||
        number > most) {
        const std::string upper = most == std::numeric_limits<long>::max()
                                      ? std::string(" up")
                                      : " to " + std::to_string(most);
        return refuseValue(option, "a whole number from " + std::to_string(least) + upper);
    }
    value = number;
    return true;
}

bool ToolCommandLine::positiveNumber(const std::string& option, double most, double& value) {
    const std::string* given = valueOf(option);
    if (!given) {
        return true;
    }
    char* end = nullptr;
    const double number = std::strtod(given->c_str(), &end);
    if (end == given->c_str() || *end != '\0' || !(number > 0) || !(number <= most)) {
        return refuseValue(option, "a positive number");
    }
    value = number;
    return true;
}

bool ToolCommandLine::number(const std::string& option, double least, double most, double& value) {
    const std::string* given = valueOf(option);
    if (!given) {
        return true;
    }
    char* end = nullptr;
    const double number = std::strtod(given->c_str(), &end);
    if (end == given->c_str() || *end != '\0' || !(number >= least) || !(number <= most)) {
        std::ostringstream needs;
        needs << "a number from " << least << " to " << most;
        return refuseValue(option, needs.str());
    }
    value = number;
    return true;
}

bool ToolCommandLine::pointList(const std::string& option, std::vector<int32_t>& value) {
    const std::string* given = valueOf(option);
    if (!given) {
        return true;
    }
    std::vector<int32_t> points;
    std::string problem;
    if (!parsePointList(*given, points, problem)) {
        return refuseValue(option, "point indices I,J,... (" + problem + ")");
    }
    value = std::move(points);
    return true;
}

bool ToolCommandLine::choice(const std::string& option, const std::vector<std::string>& choices,
                             std::string& value) {
    const std::string* given = valueOf(option);
    if (!given) {
        return true;
    }
    if (std::find(choices.begin(), choices.end(), *given) == choices.end()) {
        std::string needs;
        for (size_t k = 0; k < choices.size(); ++k) {
            needs += (k == 0 ? "" : k + 1 == choices.size() ? " or " : ", ") + choices[k];
        }
        return refuseValue(option, needs);
    }
    value = *given;
    return true;
}

bool ToolCommandLine::dimensions(const std::string& option, int least, int most, int& width,
                                 int& height) {
    const std::string* given = valueOf(option);
    if (!given) {
        return true;
    }
    const size_t times = given->find('x');
    long values[2] = {0, 0};
    const std::string parts[2] = {given->substr(0, times),
                                  times == std::string::npos ? "" : given->substr(times + 1)};
    for (int k = 0; k < 2; ++k) {
        char* end = nullptr;
        values[k] = std::strtol(parts[k].c_str(), &end, 10);
        if (parts[k].empty() || !std::isdigit(static_cast<unsigned char>(parts[k][0])) ||
            *end != '\0' || values[k] < least || values[k] > most) {
            return refuseValue(option, "WIDTHxHEIGHT, each from " + std::to_string(least) + " to " +
                                           std::to_string(most));
        }
    }
    width = static_cast<int>(values[0]);
    height = static_cast<int>(values[1]);
    return true;
}

bool ToolCommandLine::refuseValue(const std::string& option, const std::string& needs) {
    refuse(option + " needs " + needs + ", not '" + *valueOf(option) + "'");
    return false;
}

bool ToolCommandLine::takesValue(const std::string& option) const {
    return std::find(valueOptions_.begin(), valueOptions_.end(), option) != valueOptions_.end();
}

const std::string* ToolCommandLine::valueOf(const std::string& option) const {
    for (const auto& [name, value] : given_) {
        if (name == option) {
            return &value;
        }
    }
    return nullptr;
}
