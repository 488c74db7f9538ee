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

/// The bundled ball (ball.toff) with `level` subdivisions instead of 3: the same radius,
/// centre, texture coordinates and struts, 10 * 4^level + 2 points (163,842 at level 7).
/// Large ones show how the program copes with a big body. With a `pressure` above 0 the ball
/// has no struts and its file asks for a gas of that pressure inside instead.
BundledFile makeBall(int level, float pressure = 0.0f);

/// A cloth (sheet.toff): a square sheet of n x n points and 8 units a side (makeSheet), upright
/// with its top edge 4 units up where the bodies stand, turned half way from facing the cannon
/// to facing the camera, to be hung from its top corners 0 and n - 1.
BundledFile makeSheetFile(int n);
