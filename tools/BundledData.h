#pragma once

#include <string>
#include <vector>

/// One file of the data that ships with the program, generated in memory.
struct BundledFile {
    std::string name;
    /// One line for the generator's log: what the file holds.
    std::string summary;
    std::string bytes;
};

/// Every bundled file: the textured ball body (ball.toff), the plain rounded box (box.off),
/// the body's checkerboard (body.tga) and the pillars' marble (col.tga). The program reads
/// col.tga from its working directory, so these files are meant to sit in one folder that the
/// program runs from. The same program build always gives the same bytes.
std::vector<BundledFile> makeBundledData();
