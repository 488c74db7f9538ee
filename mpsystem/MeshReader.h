#pragma once

#include "mpsystem/BodyMesh.h"

#include <atomic>
#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <string>

class EdgeSet;

/// Opens `stream` for reading on the mesh file `fileName`. When the file cannot be opened,
/// writes "File `<name>' does not exist!" on standard error and returns false.
bool openMeshFile(std::ifstream& stream, const char* fileName);

/// Reads an "OFF" or "TOFF" mesh into a body's rest data: one mass point per vertex, one spring
/// per distinct edge, and the triangles of the surface. Reports its progress on standard error.
///
/// Every count and index of the file is checked before it is used, so a malformed file can never
/// make the reader allocate beyond what the file holds, read or write outside its arrays, or run
/// for ever. Such a file gives an empty mesh and one line in error().
class MeshReader {
public:
    /// `fileName`, when known, lets the messages name the file. While `cancelled` (when given)
    /// is false the reader goes on; once it is set, the reader stops at the next record with an
    /// empty mesh and the error cancelledReading, saying nothing on standard error.
    explicit MeshReader(std::istream& in, const char* fileName = "",
                        const std::atomic<bool>* cancelled = nullptr);

    /// Reads the whole mesh; `mass` is the mass of a point that starts at or above y = 0 (points
    /// below weigh 1.5 times as much; a mass that is not a finite number counts as 0).
    /// A file without a known keyword ends the program with status 1, after the line that says
    /// so and, when the file has a first word at all, one naming it with the command that
    /// converts it into a body when it is a model.
    BodyMesh read(float mass);
    /// One line (without end of line) saying what was wrong with the mesh; empty when it was read.
    const std::string& error() const { return error_; }

    /// The error of a reading that was cancelled.
    static constexpr const char* cancelledReading = "the reading was cancelled";

private:
    bool readHeader();
    bool readPoints(float mass);
    bool readFaces();
    /// Makes a spring of the edge (a, b) of `face` unless the pair already has one.
    bool addSpring(EdgeSet& edges, int32_t face, int32_t a, int32_t b);
    bool readCount(const char* what, int32_t& count);
    void assignOffTexCoords();
    void finish();

    /// How many more records the stream can hold at `minBytes` each, capped at `count`, so a
    /// count in the file never reserves memory the file cannot fill.
    int32_t plausibleRecords(int32_t count, int minBytes);

    void writeDigit(int32_t record, int32_t count, int& digit);
    /// Whether the reading is to stop here; then sets the error.
    bool stopped();
    /// Reports a malformed file; always returns false.
    bool fail(const std::string& what);
    /// After a failed read: "the file ends in <record>" at the end of input, else "<record> has
    /// <problem>"; `announced` is the header's count of such records, or -1 in the header.
    /// The problems are literals, kept whole in the program's read-only data.
    bool failRead(const std::string& record, const char* problem, int32_t announced = -1);

    std::istream& in_;
    const char* fileName_;
    const std::atomic<bool>* cancelled_;
    BodyMesh mesh_;
    std::string error_;
    int32_t numPoints_ = 0;
    int32_t numFaces_ = 0;
};
