#include "bodyoutput/BodyMeasures.h"

#include "mpsystem/MpSystem.h"

#include <algorithm>
#include <cmath>

SbVec3f extentOf(const MpSystem& body) {
    if (body.numPoints() == 0) {
        return SbVec3f(0, 0, 0);
    }
    SbVec3f low = body.positions()[0];
    SbVec3f high = low;
    for (int i = 1; i < body.numPoints(); ++i) {
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], body.positions()[i][a]);
            high[a] = std::max(high[a], body.positions()[i][a]);
        }
    }
    return high - low;
}

bool isInside(const MpSystem& body, const SbVec3f& p) {
    // Van Oosterom and Strackee's solid angle of each triangle, summed.
    double total = 0;
    const int32_t* faces = body.faceIndices();
    for (int k = 0; k + 2 < body.numFaceIndices(); k += 4) {
        const SbVec3f a = body.positions()[faces[k]] - p;
        const SbVec3f b = body.positions()[faces[k + 1]] - p;
        const SbVec3f c = body.positions()[faces[k + 2]] - p;
        const double la = a.length();
        const double lb = b.length();
        const double lc = c.length();
        const double triple = a.dot(b.cross(c));
        const double below = la * lb * lc + a.dot(b) * lc + a.dot(c) * lb + b.dot(c) * la;
        total += 2 * std::atan2(triple, below);
    }
    return std::fabs(total) > 2 * M_PI;
}

int pointsInside(const MpSystem& outer, const MpSystem& inner) {
    if (outer.numPoints() == 0) {
        return 0;
    }
    SbVec3f low = outer.positions()[0];
    SbVec3f high = low;
    for (int i = 1; i < outer.numPoints(); ++i) {
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], outer.positions()[i][a]);
            high[a] = std::max(high[a], outer.positions()[i][a]);
        }
    }
    int inside = 0;
    for (int i = 0; i < inner.numPoints(); ++i) {
        const SbVec3f& p = inner.positions()[i];
        const bool inBox = p[0] >= low[0] && p[0] <= high[0] && p[1] >= low[1] && p[1] <= high[1] &&
                           p[2] >= low[2] && p[2] <= high[2];
        if (inBox && isInside(outer, p)) {
            ++inside;
        }
    }
    return inside;
}

std::string numberedOutput(const std::string& first, int k) {
    if (k <= 1) {
        return first;
    }
    const size_t slash = first.find_last_of('/');
    const size_t dot = first.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1);
    const size_t cut = hasExtension ? dot : first.size();
    return first.substr(0, cut) + "-" + std::to_string(k) + first.substr(cut);
}
