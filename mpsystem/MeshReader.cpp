#include "mpsystem/MeshReader.h"

#include "common/ErrorLine.h"
#include "mpsystem/ConversionHint.h"
#include "mpsystem/EdgeSet.h"
#include "mpsystem/OffLexer.h"
#include "mpsystem/SphericalTexCoords.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <sstream>

namespace {

/// Shortest vertex record ("0 0 0" and a line end) and face record ("2 0 1" and a blank).
constexpr int minVertexBytes = 6;
constexpr int minFaceBytes = 6;
/// Reservation when the stream cannot tell how much it still holds; records beyond it grow the
/// arrays as they are read.
constexpr int32_t unknownStreamRecords = 1 << 16;

std::string text(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string vertexName(int32_t i) {
    return "vertex " + std::to_string(i);
}
std::string faceName(int32_t f) {
    return "face " + std::to_string(f);
}

/// A point whose mass is not a finite number is stored with mass 0, which the step holds still.
float finiteMass(float m) {
    return std::isfinite(m) ? m : 0.0f;
}

} // namespace

bool openMeshFile(std::ifstream& stream, const char* fileName) {
    stream.open(fileName);
    if (stream.fail()) {
        freshErrorLine() << "File `" << fileName << "' does not exist!" << std::endl;
        return false;
    }
    return true;
}

MeshReader::MeshReader(std::istream& in, const char* fileName, const std::atomic<bool>* cancelled)
    : in_(in), fileName_(fileName), cancelled_(cancelled) {}

BodyMesh MeshReader::read(float mass) {
    if (readHeader() && readPoints(mass) && readFaces()) {
        finish();
        return std::move(mesh_);
    }
    // Whatever was read before the fault is dropped whole: a body is either all of its file or
    // nothing.
    return BodyMesh{};
}

bool MeshReader::readHeader() {
    HeaderRecords records;
    const std::string keyword = readKeyword(in_, &records);
    if (keyword == "TOFF") {
        mesh_.hasFileTexCoords = true;
    } else if (keyword != "OFF") {
        // A reading cancelled before its keyword was whole ends quietly, never the program.
        if (stopped()) {
            return false;
        }
        freshErrorLine() << "No OFF- or TRIANGULATION-File !" << std::endl;
        if (!keyword.empty()) {
            std::cerr << conversionHint(keyword, fileName_) << std::endl;
        }
        std::exit(1);
    }
    skipBlanksAndComments(in_, &records);
    if (!readCount("point", numPoints_)) {
        return false;
    }
    skipBlanksAndComments(in_, &records);
    if (!readCount("face", numFaces_)) {
        return false;
    }
    skipBlanksAndComments(in_, &records);
    // The edge count is recomputed from the faces, but text in its place would shift every
    // number after it.
    int32_t ignoredEdgeCount = 0;
    in_ >> ignoredEdgeCount;
    if (in_.fail()) {
        return failRead("the header", "no valid edge count");
    }
    skipBlanksAndComments(in_, &records);
    mesh_.pressure = records.pressure;
    return true;
}

bool MeshReader::readCount(const char* what, int32_t& count) {
    in_ >> count;
    if (in_.fail()) {
        const std::string problem = std::string("no valid ") + what + " count";
        return failRead("the header", problem.c_str());
    }
    if (count < 0) {
        return fail("the header gives a negative " + std::string(what) + " count (" +
                    std::to_string(count) + ")");
    }
    return true;
}

bool MeshReader::readPoints(float mass) {
    const int32_t n = numPoints_;
    // A body read right after another starts below the other's last line.
    freshErrorLine() << "Reading points..." << std::endl << "(" << n << " points)   [-";
    setErrorLineOpen(true);

    const int32_t room = plausibleRecords(n, minVertexBytes);
    mesh_.positions.reserve(room);
    mesh_.masses.reserve(room);
    mesh_.texCoords.reserve(room);
    const float upperMass = finiteMass(mass);
    const float lowerMass = finiteMass(1.5f * upperMass);
    mesh_.pointMass = upperMass;

    int digit = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (stopped()) {
            return false;
        }
        double x = 0, y = 0, z = 0;
        in_ >> x >> y >> z;
        if (in_.fail()) {
            return failRead(vertexName(i), "a coordinate that is not a valid number", n);
        }
        for (double c : {x, y, z}) {
            if (!std::isfinite(static_cast<float>(c))) {
                return fail(vertexName(i) + " has coordinate " + text(c) +
                            ", beyond single precision");
            }
        }
        mesh_.positions.emplace_back(static_cast<float>(x), static_cast<float>(y),
                                     static_cast<float>(z));
        mesh_.masses.push_back(y < 0.0 ? lowerMass : upperMass);
        if (mesh_.hasFileTexCoords) {
            float u = 0, v = 0;
            in_ >> u >> v;
            if (in_.fail()) {
                return failRead(vertexName(i), "a texture coordinate that is not a valid number",
                                n);
            }
            mesh_.texCoords.emplace_back(u, v);
        }
        skipRestOfLine(in_);
        skipBlanksAndComments(in_);
        writeDigit(i, n, digit);
    }

    if (!mesh_.hasFileTexCoords) {
        assignOffTexCoords();
    }
    std::cerr << "-] " << std::endl << std::endl;
    setErrorLineOpen(false);
    return true;
}

// An OFF file places no texture on the body; it gets the image wrapped around it.
void MeshReader::assignOffTexCoords() {
    mesh_.texCoords = sphericalTexCoords(mesh_.positions);
}

bool MeshReader::readFaces() {
    std::cerr << "Reading faces..." << std::endl << "(" << numFaces_ << " faces)   [-";
    setErrorLineOpen(true);

    const int32_t n = numPoints_;
    const int32_t faces = plausibleRecords(numFaces_, minFaceBytes);
    // A triangle mesh has about 1.5 edges per face and 3 per point.
    const std::size_t expectedEdges = std::min(3 * std::size_t(n), 2 * std::size_t(faces));
    EdgeSet edges(expectedEdges);
    mesh_.springs.reserve(expectedEdges);
    mesh_.restLengths.reserve(expectedEdges);
    mesh_.faceIndices.reserve(4 * std::size_t(faces));

    int digit = 0;
    for (int32_t f = 0; f < numFaces_; ++f) {
        if (stopped()) {
            return false;
        }
        int32_t count = 0;
        in_ >> count;
        if (in_.fail()) {
            return failRead(faceName(f), "a vertex count that is not a valid number", numFaces_);
        }
        if (count < 2) {
            return fail(faceName(f) + " has " + std::to_string(count) +
                        (count == 1 ? " vertex" : " vertices") + "; a face needs at least 2");
        }
        // Edges are taken as the indices arrive, so a face of any length needs no buffer.
        int32_t first = 0;
        int32_t previous = 0;
        int32_t triangle[3] = {0, 0, 0};
        for (int32_t k = 0; k < count; ++k) {
            if (stopped()) {
                return false;
            }
            int32_t j = 0;
            in_ >> j;
            if (in_.fail()) {
                return failRead(faceName(f), "a vertex index that is not a valid number",
                                numFaces_);
            }
            if (j < 0 || j >= n) {
                return fail(faceName(f) + " has vertex index " + std::to_string(j) +
                            (n == 0 ? " but the mesh has no points"
                                    : " outside 0.." + std::to_string(n - 1)));
            }
            if (k == 0) {
                first = j;
            } else if (!addSpring(edges, f, previous, j)) {
                return false;
            }
            if (k < 3) {
                triangle[k] = j;
            }
            previous = j;
        }
        if (!addSpring(edges, f, previous, first)) {
            return false;
        }
        if (count == 3) {
            mesh_.faceIndices.insert(mesh_.faceIndices.end(),
                                     {triangle[0], triangle[1], triangle[2], -1});
        }
        writeDigit(f, numFaces_, digit);
    }
    std::cerr << "-] " << std::endl << std::endl;
    setErrorLineOpen(false);
    return true;
}

bool MeshReader::addSpring(EdgeSet& edges, int32_t face, int32_t a, int32_t b) {
    if (!edges.insert(a, b)) {
        return true;
    }
    const float length = (mesh_.positions[a] - mesh_.positions[b]).length();
    if (!std::isfinite(length)) {
        return fail(faceName(face) + " joins points " + std::to_string(a) + " and " +
                    std::to_string(b) + ", too far apart for single precision");
    }
    mesh_.springs.push_back({a, b});
    mesh_.restLengths.push_back(length);
    return true;
}

void MeshReader::finish() {
    mesh_.springs.shrink_to_fit();
    mesh_.restLengths.shrink_to_fit();
    mesh_.faceIndices.shrink_to_fit();
    std::cerr << "A total number of edges: " << mesh_.springs.size() << std::endl;
    std::cerr << "Start rendering scene...";
    setErrorLineOpen(true);
}

int32_t MeshReader::plausibleRecords(int32_t count, int minBytes) {
    if (!in_.good()) {
        return 0;
    }
    const std::streampos here = in_.tellg();
    if (here == std::streampos(-1)) {
        return std::min(count, unknownStreamRecords);
    }
    in_.seekg(0, std::ios::end);
    const std::streampos end = in_.tellg();
    in_.seekg(here);
    if (end == std::streampos(-1) || !in_) {
        in_.clear();
        in_.seekg(here);
        return std::min(count, unknownStreamRecords);
    }
    const long long left = static_cast<long long>(end - here);
    return static_cast<int32_t>(std::min<long long>(count, left / minBytes + 1));
}

void MeshReader::writeDigit(int32_t record, int32_t count, int& digit) {
    if (record > count / 10.0 * digit) {
        std::cerr << digit;
        ++digit;
    }
}

// A relaxed load a record costs nothing beside parsing it, and a reading of any size stops
// within one record of the request.
bool MeshReader::stopped() {
    if (cancelled_ == nullptr || !cancelled_->load(std::memory_order_relaxed)) {
        return false;
    }
    error_ = cancelledReading;
    return true;
}

bool MeshReader::failRead(const std::string& record, const char* problem, int32_t announced) {
    if (in_.eof()) {
        return fail("the file ends in " + record +
                    (announced < 0 ? std::string()
                                   : " (the header announced " + std::to_string(announced) + ")"));
    }
    return fail(record + " has " + problem);
}

bool MeshReader::fail(const std::string& what) {
    // A cancelled reading may meet the end of its input first; it reports nothing else.
    if (stopped()) {
        return false;
    }
    error_ = "Malformed mesh file: " + what;
    freshErrorLine() << error_ << std::endl;
    return false;
}
