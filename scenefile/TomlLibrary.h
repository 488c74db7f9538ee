#pragma once

// toml++ as the scene files use it: built once into this library (TomlLibrary.cpp) rather than
// into every file that includes it, and without exceptions, so that parsing returns a
// parse_result whose error says what and where, and nothing of ours throws or catches.
#ifndef TOML_EXCEPTIONS
#define TOML_EXCEPTIONS 0
#endif
#ifndef TOML_HEADER_ONLY
#define TOML_HEADER_ONLY 0
#endif
#ifndef TOML_ENABLE_FORMATTERS
#define TOML_ENABLE_FORMATTERS 0
#endif

#include <toml++/toml.h>
