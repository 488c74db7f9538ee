#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

/// The project's version, as the build names it (for example "1.0.0").
const char* plimmertonVersion();

/// The command line of one of the tools beside the program (the program keeps its own): "--help"
/// or "-h" prints the usage on standard output and "--version" the tool's name and version,
/// both with status 0; an unknown option, an option without its value or a stray argument is
/// refused with one line on standard error that names it and points to --help, status 2. The
/// getters hand out the values, checked: a value that does not fit is refused the same way.
class ToolCommandLine {
public:
    /// `valueOptions` take the argument after them as their value, whatever it looks like.
    ToolCommandLine(std::string name, std::string usage, std::vector<std::string> valueOptions);

    /// Words that --version prints after the version, such as the libraries the tool uses.
    void setVersionNote(std::string note) { versionNote_ = std::move(note); }
    /// Options that take no value, such as "--progress".
    void setFlags(std::vector<std::string> flags) { flags_ = std::move(flags); }

    /// Reads the arguments in order, stopping at the first that ends the tool. True when the
    /// tool goes on; else status() is what it ends with.
    bool read(int argc, char** argv);
    int status() const { return status_; }
    /// The arguments that are neither options nor their values, in order.
    const std::vector<std::string>& operands() const { return operands_; }
    /// True when the flag or the value option `option` was given (with its value).
    bool has(const std::string& option) const;
    /// Every option given, in order, with its value (empty for a flag): for options that may
    /// be given more than once.
    const std::vector<std::pair<std::string, std::string>>& given() const { return given_; }

    // An option given more than once counts with its first value, as the program's own do.

    /// The value of `option` as given, or `absent` when it was not given.
    std::string text(const std::string& option, const std::string& absent = "") const;
    /// `option` read as the program reads its numbers: as far as the value is a number, else
    /// (and when absent) 0.
    float lenientNumber(const std::string& option) const;

    // The checked getters: when `option` was given, they set `value` from it and return true,
    // or refuse it ("OPTION needs ..., not 'VALUE'") and return false; when it was not given,
    // `value` keeps what it holds.

    /// A whole number from `least` to `most`.
    bool wholeNumber(const std::string& option, long least, long most, long& value);
    /// A number above 0 and at most `most`.
    bool positiveNumber(const std::string& option, double most, double& value);
    /// A number from `least` to `most`.
    bool number(const std::string& option, double least, double most, double& value);
    /// Point indices "I,J,..." (PointList.h).
    bool pointList(const std::string& option, std::vector<int32_t>& value);
    /// One of `choices`, spelled as there.
    bool choice(const std::string& option, const std::vector<std::string>& choices,
                std::string& value);
    /// Width and height, "WIDTHxHEIGHT", each a whole number from `least` to `most`.
    bool dimensions(const std::string& option, int least, int most, int& width, int& height);

    /// Writes "NAME: WHAT (try --help)" on standard error; returns 2, the status to end with.
    int refuse(const std::string& what);

private:
    bool takesValue(const std::string& option) const;
    const std::string* valueOf(const std::string& option) const;
    bool refuseValue(const std::string& option, const std::string& needs);

    std::string name_;
    std::string usage_;
    std::string versionNote_;
    std::vector<std::string> valueOptions_;
    std::vector<std::string> flags_;
    std::vector<std::string> operands_;
    /// Each value option given, with its value, and each flag, with none, in the order given.
    std::vector<std::pair<std::string, std::string>> given_;
    int status_ = 0;
};
