#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

class EdgeSet;
class MpSystem;

/// Reads an "OFF" or "TOFF" mesh into a body: one mass point per vertex, one spring per distinct
/// edge, and the triangles of the surface. Reports its progress on standard error.
///
/// Every count and index of the file is checked before it is used, so a malformed file can never
/// make the reader allocate beyond what the file holds, read or write outside its arrays, or run
/// for ever. Such a file leaves the body empty with one line in its loadError().
class MeshReader {
public:
    MeshReader(std::istream& in, MpSystem& body);

    /// Reads the whole mesh; `mass` is the mass of a point that starts at or above y = 0.
    /// A file without a known keyword ends the program with status 1.
    void read(float mass);

private:
    bool readHeader();
    bool readPoints(float mass);
    bool readFaces();
    /// Makes a spring of the edge (a, b) of `face` unless the pair already has one.
    bool addSpring(EdgeSet& edges, int32_t face, int32_t a, int32_t b);
    bool readCount(const char* what, int32_t& count);
    void assignOffTexCoords();
    void finish();

    /// Discards spaces, newlines and comment lines that start with '#'.
    void skipBlanksAndComments();
    /// Discards the rest of the current line, its newline included.
    void skipRestOfLine();
    /// How many more records the stream can hold at `minBytes` each, capped at `count`, so a
    /// count in the file never reserves memory the file cannot fill.
    int32_t plausibleRecords(int32_t count, int minBytes);

    void writeDigit(int32_t record, int32_t count, int& digit);
    /// Reports a malformed file and leaves the body empty; always returns false.
    bool fail(const std::string& what);
    /// After a failed read: "the file ends in <record>" at the end of input, else "<record> has
    /// <problem>"; `announced` is the header's count of such records, or -1 in the header.
    bool failRead(const std::string& record, const std::string& problem, int32_t announced = -1);

    std::istream& in_;
    MpSystem& body_;
    bool texCoordsInFile_ = false;
    bool progressLineOpen_ = false;
    int32_t numFaces_ = 0;
};
