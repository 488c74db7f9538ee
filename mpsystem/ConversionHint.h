#pragma once

#include <string>

/// The line said after a refused keyword: the word found (only its start when the reader stopped
/// early), and the command that turns the model in `fileName` into a body file beside it. Users
/// bring models of many kinds; the program reads only its own, so it says how to convert one.
std::string conversionHint(const std::string& keyword, const char* fileName);
