#pragma once

/// Writes the table of keys to standard output.
void printHelp();

/// Writes the command-line options and an example to standard output.
void printUsage();
