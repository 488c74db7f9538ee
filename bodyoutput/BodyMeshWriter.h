#pragma once

#include <iosfwd>

class MpSystem;

/// Writes the body back as a mesh file of the form it was read from: "TOFF" with each point's
/// texture coordinate when the file had them, else "OFF"; the header's counts and the whole
/// face section copied from `original` (the file the body was read from, opened afresh), so
/// the faces stay exactly as they were; each coordinate with 9 significant digits, which read
/// back to the same single-precision value. A body holding a gas gets the record
/// "# pressure P" after the keyword, P its pressure in force with 9 significant digits, so that
/// it is read again with the same gas; without one there is no record, whatever the original
/// had. Returns false when `original` is not the mesh the body was read from or a stream fails.
bool writeBodyMesh(const MpSystem& body, std::istream& original, std::ostream& out);
