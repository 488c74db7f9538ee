#pragma once

/// The argument after the first occurrence of `name` that has one, or a static empty text.
/// The scan includes the program's own name at index 0.
const char* findOption(int argc, char** argv, const char* name);

/// True when the only argument asks for the command-line usage ("--help" or "-h").
bool isUsageRequest(int argc, char** argv);

/// True when the only argument asks for the program's version ("--version").
bool isVersionRequest(int argc, char** argv);
