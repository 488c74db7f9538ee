#pragma once

#include <string>
#include <vector>

/// An argument vector as the program receives it: owned copies of the texts, a null entry
/// after the last.
class ArgumentList {
public:
    ArgumentList(std::initializer_list<const char*> arguments) {
        for (const char* argument : arguments) {
            texts_.emplace_back(argument);
        }
        for (std::string& text : texts_) {
            pointers_.push_back(text.data());
        }
        pointers_.push_back(nullptr);
    }
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;

    int argc() const { return static_cast<int>(texts_.size()); }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> texts_;
    std::vector<char*> pointers_;
};
