#pragma once

#include <string>
#include <vector>

/// The line said after a refused keyword: the word found (only its start when the reader stopped
/// early), and, when the file is a model that plimmerton-prepare reads (told by its extension or
/// its first word), the command that turns it into a body file beside it. Users bring models of
/// many kinds; the program reads only its own, so it says how to convert one, and only for a
/// file that can be converted: a picture or a text given by mistake gets no command that fails.
std::string conversionHint(const std::string& keyword, const char* fileName);

/// Whether a file that begins with `keyword` (the word as readKeyword reads it) is a model that
/// plimmerton-prepare reads, told by its name's extension or its first word.
bool isPreparableModel(const std::string& keyword, const std::string& fileName);

/// The extensions (lowercase, without the dot) of the model files that plimmerton-prepare reads.
std::vector<std::string> preparableExtensions();
