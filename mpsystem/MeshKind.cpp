#include "mpsystem/MeshKind.h"

#include "mpsystem/OffLexer.h"

#include <cstdint>
#include <istream>

MeshKind meshKindOf(std::istream& in) {
    HeaderRecords records;
    const std::string keyword = readKeyword(in, &records);
    if (keyword == "TOFF") {
        return MeshKind::body;
    }
    if (keyword != "OFF") {
        return MeshKind::other;
    }
    // The header's three counts, on one line or several, as the reader takes them.
    int64_t points = 0;
    int64_t faces = 0;
    int64_t edges = 0;
    skipBlanksAndComments(in, &records);
    in >> points;
    skipBlanksAndComments(in, &records);
    in >> faces;
    skipBlanksAndComments(in, &records);
    in >> edges;
    if (!in || points < 0 || faces < 0) {
        return MeshKind::other;
    }
    skipBlanksAndComments(in, &records);
    // A surface that asks for a gas inside is held by it, without struts: a body as it is.
    if (records.pressure > 0) {
        return MeshKind::body;
    }
    for (int64_t k = 0; k < points; ++k) {
        skipBlanksAndComments(in);
        skipRestOfLine(in);
        if (!in) {
            return MeshKind::other;
        }
    }
    for (int64_t f = 0; f < faces; ++f) {
        skipBlanksAndComments(in);
        int64_t count = 0;
        in >> count;
        if (!in) {
            return MeshKind::other;
        }
        if (count == 2) {
            return MeshKind::body;
        }
        skipRestOfLine(in);
    }
    return MeshKind::surface;
}
