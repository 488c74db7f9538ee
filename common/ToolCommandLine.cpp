#include "common/ToolCommandLine.h"

#include <algorithm>
#include <iostream>
#include <utility>

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
            given_.push_back(argument);
            ++i;
        } else if (argument == "--help" || argument == "-h") {
            std::cout << usage_ << std::endl;
            return false;
        } else if (argument == "--version") {
            std::cout << name_ << " " << plimmertonVersion() << std::endl;
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
    return std::find(given_.begin(), given_.end(), option) != given_.end();
}

bool ToolCommandLine::takesValue(const std::string& option) const {
    return std::find(valueOptions_.begin(), valueOptions_.end(), option) != valueOptions_.end();
}
