#include "bodyoutput/BodyMeshWriter.h"

#include "mpsystem/MpSystem.h"
#include "mpsystem/OffLexer.h"

#include <cstdio>
#include <istream>
#include <ostream>
#include <string>

bool writeBodyMesh(const MpSystem& body, std::istream& original, std::ostream& out) {
    const std::string keyword = readKeyword(original);
    long long counts[3] = {0, 0, 0};
    for (long long& count : counts) {
        skipBlanksAndComments(original);
        original >> count;
    }
    const bool withTex = keyword == "TOFF";
    if (!original || (!withTex && keyword != "OFF") || withTex != body.hasFileTexCoords() ||
        counts[0] != body.numPoints()) {
        return false;
    }
    // Step over the edge count and the vertex records as the reader does: the values, then
    // the rest of the line.
    skipBlanksAndComments(original);
    for (int i = 0; i < body.numPoints(); ++i) {
        double x = 0, y = 0, z = 0;
        original >> x >> y >> z;
        if (withTex) {
            float u = 0, v = 0;
            original >> u >> v;
        }
        skipRestOfLine(original);
        skipBlanksAndComments(original);
    }
    if (!original) {
        return false;
    }

    out << keyword << '\n';
    if (body.pressure() > 0.0f) {
        // The body still wants its gas when it is read again.
        char record[64];
        std::snprintf(record, sizeof record, "# pressure %.9g\n", double(body.pressure()));
        out << record;
    }
    out << counts[0] << ' ' << counts[1] << ' ' << counts[2] << '\n';
    char line[160];
    for (int i = 0; i < body.numPoints(); ++i) {
        const SbVec3f& p = body.positions()[i];
        int n = std::snprintf(line, sizeof line, "%.9g %.9g %.9g", p[0], p[1], p[2]);
        if (withTex) {
            const SbVec2f& t = body.texCoords()[i];
            n += std::snprintf(line + n, sizeof line - n, " %.9g %.9g", t[0], t[1]);
        }
        out.write(line, n);
        out.put('\n');
    }
    if (original.peek() != std::char_traits<char>::eof()) {
        out << original.rdbuf();
    }
    return static_cast<bool>(out) && !original.bad();
}
