#include "mpsystem/MeshReader.h"

#include "mpsystem/EdgeSet.h"
#include "mpsystem/MpSystem.h"

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

template <typename T> void release(std::vector<T>& v) {
    std::vector<T>().swap(v);
}

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

MeshReader::MeshReader(std::istream& in, MpSystem& body) : in_(in), body_(body) {}

void MeshReader::read(float mass) {
    if (readHeader() && readPoints(mass) && readFaces()) {
        finish();
    }
}

bool MeshReader::readHeader() {
    skipBlanksAndComments();
    std::string keyword;
    in_ >> keyword;
    if (keyword == "TOFF") {
        texCoordsInFile_ = true;
    } else if (keyword != "OFF") {
        std::cerr << "No OFF- or TRIANGULATION-File !" << std::endl;
        std::exit(1);
    }
    skipBlanksAndComments();
    int32_t numPoints = 0;
    if (!readCount("point", numPoints)) {
        return false;
    }
    skipBlanksAndComments();
    if (!readCount("face", numFaces_)) {
        return false;
    }
    skipBlanksAndComments();
    // The edge count is recomputed from the faces, but text in its place would shift every
    // number after it.
    int32_t ignoredEdgeCount = 0;
    in_ >> ignoredEdgeCount;
    if (in_.fail()) {
        return failRead("the header", "no valid edge count");
    }
    skipBlanksAndComments();
    body_.numPoints_ = numPoints;
    return true;
}

bool MeshReader::readCount(const char* what, int32_t& count) {
    in_ >> count;
    if (in_.fail()) {
        return failRead("the header", std::string("no valid ") + what + " count");
    }
    if (count < 0) {
        return fail("the header gives a negative " + std::string(what) + " count (" +
                    std::to_string(count) + ")");
    }
    return true;
}

bool MeshReader::readPoints(float mass) {
    const int32_t n = body_.numPoints_;
    std::cerr << "Reading points..." << std::endl << "(" << n << " points)   [-";
    progressLineOpen_ = true;

    const int32_t room = plausibleRecords(n, minVertexBytes);
    body_.positions_.reserve(room);
    body_.masses_.reserve(room);
    body_.texCoords_.reserve(room);
    const float upperMass = finiteMass(mass);
    const float lowerMass = finiteMass(1.5f * upperMass);

    int digit = 0;
    for (int32_t i = 0; i < n; ++i) {
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
        body_.positions_.emplace_back(static_cast<float>(x), static_cast<float>(y),
                                      static_cast<float>(z));
        body_.masses_.push_back(y < 0.0 ? lowerMass : upperMass);
        if (texCoordsInFile_) {
            float u = 0, v = 0;
            in_ >> u >> v;
            if (in_.fail()) {
                return failRead(vertexName(i), "a texture coordinate that is not a valid number",
                                n);
            }
            body_.texCoords_.emplace_back(u, v);
        }
        skipRestOfLine();
        skipBlanksAndComments();
        writeDigit(i, n, digit);
    }

    body_.velocities_.assign(n, SbVec3f(0, 0, 0));
    body_.forces_.assign(n, SbVec3f(0, 0, 0));
    body_.externalForces_.assign(n, SbVec3f(0, 0, 0));
    body_.hasFileTexCoords_ = texCoordsInFile_;
    if (!texCoordsInFile_) {
        assignOffTexCoords();
    }
    std::cerr << "-] " << std::endl << std::endl;
    progressLineOpen_ = false;
    return true;
}

// An OFF file places no texture on the body. Wrapping the image once around the centroid, like a
// map around a globe, suits the round bodies the program is used with: the texture stays
// continuous everywhere but one seam and the poles, whereas a flat projection would smear it
// into stripes along the sides.
void MeshReader::assignOffTexCoords() {
    const std::vector<SbVec3f>& p = body_.positions_;
    double centre[3] = {0, 0, 0};
    for (const SbVec3f& q : p) {
        for (int k = 0; k < 3; ++k) {
            centre[k] += q[k];
        }
    }
    for (double& c : centre) {
        c /= std::max<std::size_t>(p.size(), 1);
    }
    const double pi = 3.14159265358979323846;
    body_.texCoords_.clear();
    for (const SbVec3f& q : p) {
        const double dx = q[0] - centre[0];
        const double dy = q[1] - centre[1];
        const double dz = q[2] - centre[2];
        const double r = std::sqrt(dx * dx + dy * dy + dz * dz);
        const double u = 0.5 + std::atan2(dz, dx) / (2 * pi);
        const double v = r > 0 ? 0.5 + std::asin(std::clamp(dy / r, -1.0, 1.0)) / pi : 0.5;
        body_.texCoords_.emplace_back(static_cast<float>(u), static_cast<float>(v));
    }
}

bool MeshReader::readFaces() {
    std::cerr << "Reading faces..." << std::endl << "(" << numFaces_ << " faces)   [-";
    progressLineOpen_ = true;

    const int32_t n = body_.numPoints_;
    const int32_t faces = plausibleRecords(numFaces_, minFaceBytes);
    // A triangle mesh has about 1.5 edges per face and 3 per point.
    const std::size_t expectedEdges = std::min(3 * std::size_t(n), 2 * std::size_t(faces));
    EdgeSet edges(expectedEdges);
    body_.springs_.reserve(expectedEdges);
    body_.restLengths_.reserve(expectedEdges);
    body_.faceIndices_.reserve(4 * std::size_t(faces));

    int digit = 0;
    for (int32_t f = 0; f < numFaces_; ++f) {
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
            body_.faceIndices_.insert(body_.faceIndices_.end(),
                                      {triangle[0], triangle[1], triangle[2], -1});
        }
        writeDigit(f, numFaces_, digit);
    }
    std::cerr << "-] " << std::endl << std::endl;
    progressLineOpen_ = false;
    return true;
}

bool MeshReader::addSpring(EdgeSet& edges, int32_t face, int32_t a, int32_t b) {
    if (!edges.insert(a, b)) {
        return true;
    }
    const float length = (body_.positions_[a] - body_.positions_[b]).length();
    if (!std::isfinite(length)) {
        return fail(faceName(face) + " joins points " + std::to_string(a) + " and " +
                    std::to_string(b) + ", too far apart for single precision");
    }
    body_.springs_.push_back({a, b});
    body_.restLengths_.push_back(length);
    return true;
}

void MeshReader::finish() {
    body_.springs_.shrink_to_fit();
    body_.restLengths_.shrink_to_fit();
    body_.faceIndices_.shrink_to_fit();
    body_.lastLengths_ = body_.restLengths_;
    body_.numSprings_ = static_cast<int32_t>(body_.springs_.size());
    std::cerr << "A total number of edges: " << body_.numSprings_ << std::endl;
    std::cerr << "Start rendering scene...";
}

void MeshReader::skipBlanksAndComments() {
    for (;;) {
        const int c = in_.peek();
        if (c == ' ' || c == '\n') {
            in_.get();
        } else if (c == '\r') {
            // A line end written as carriage return and newline counts as one line end.
            in_.get();
            if (in_.peek() != '\n') {
                return;
            }
        } else if (c == '#') {
            in_.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        } else {
            return;
        }
    }
}

void MeshReader::skipRestOfLine() {
    in_.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
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

bool MeshReader::failRead(const std::string& record, const std::string& problem,
                          int32_t announced) {
    if (in_.eof()) {
        return fail("the file ends in " + record +
                    (announced < 0 ? std::string()
                                   : " (the header announced " + std::to_string(announced) + ")"));
    }
    return fail(record + " has " + problem);
}

bool MeshReader::fail(const std::string& what) {
    if (progressLineOpen_) {
        std::cerr << std::endl;
        progressLineOpen_ = false;
    }
    body_.loadError_ = "Malformed mesh file: " + what;
    std::cerr << body_.loadError_ << std::endl;
    release(body_.positions_);
    release(body_.velocities_);
    release(body_.forces_);
    release(body_.masses_);
    release(body_.externalForces_);
    release(body_.springs_);
    release(body_.restLengths_);
    release(body_.lastLengths_);
    release(body_.texCoords_);
    release(body_.faceIndices_);
    body_.numPoints_ = 0;
    body_.numSprings_ = 0;
    body_.hasFileTexCoords_ = false;
    return false;
}
