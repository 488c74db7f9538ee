#pragma once

#include <string>
#include <vector>

/// The project's version, as the build names it (for example "1.0.0").
const char* plimmertonVersion();

/// The command line of one of the tools beside the program (the program keeps its own): "--help"
/// or "-h" prints the usage on standard output and "--version" the tool's name and version,
/// both with status 0; an unknown option, an option without its value or a stray argument is
/// refused with one line on standard error that names it and points to --help, status 2.
class ToolCommandLine {
public:
    /// `valueOptions` take the argument after them as their value, whatever it looks like.
    ToolCommandLine(std::string name, std::string usage, std::vector<std::string> valueOptions);

    /// Reads the arguments in order, stopping at the first that ends the tool. True when the
    /// tool goes on; else status() is what it ends with.
    bool read(int argc, char** argv);
    int status() const { return status_; }
    /// The arguments that are neither options nor their values, in order.
    const std::vector<std::string>& operands() const { return operands_; }
    /// True when the value option `option` was given (with its value).
    bool has(const std::string& option) const;

    /// Writes "NAME: WHAT (try --help)" on standard error; returns 2, the status to end with.
    int refuse(const std::string& what);

private:
    bool takesValue(const std::string& option) const;

    std::string name_;
    std::string usage_;
    std::vector<std::string> valueOptions_;
    std::vector<std::string> operands_;
    std::vector<std::string> given_;
    int status_ = 0;
};
