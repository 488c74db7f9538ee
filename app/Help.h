#pragma once

/// Writes the table of keys to standard output.
void printHelp();

/// True when the only argument asks for the command-line usage ("--help" or "-h").
bool isUsageRequest(int argc, char** argv);

/// Writes the command-line options and an example to standard output.
void printUsage();
