#pragma once

#include <Inventor/SbVec3f.h>

#include <string>
#include <utility>
#include <vector>

/// A body named on the command line besides the first: "-add FILE", optionally followed by
/// "-at X,Y,Z", the centre (the mean of its points) where it is put.
struct BodyAddition {
    std::string file;
    /// Whether -at gave a centre; else the body goes clear above the bodies before it.
    bool placed = false;
    SbVec3f centre{0, 0, 0};
};

/// Reads "X,Y,Z" as three finite numbers separated by commas (spaces around them allowed).
bool readCentre(const std::string& text, SbVec3f& centre);

/// The options as given, in order, each with its value: the program's own arguments (each that
/// begins with '-' and the one after it, none for the last) or a tool's (ToolCommandLine).
using GivenOptions = std::vector<std::pair<std::string, std::string>>;
GivenOptions givenOptions(int argc, char** argv);

/// The bodies that -add names, in order, each with the -at that follows it, if any. False, with
/// `problem` saying which value is wrong ("-at needs X,Y,Z, three numbers, not '1,2'"), when an
/// -add has no file, an -at no centre or no -add before it, or an -add two -at.
bool readBodyAdditions(const GivenOptions& given, std::vector<BodyAddition>& additions,
                       std::string& problem);
