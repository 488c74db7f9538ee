#include "generators/BundledData.h"

#include "generators/BendingSprings.h"
#include "generators/Icosphere.h"
#include "generators/RoundedBox.h"
#include "generators/Sheet.h"
#include "generators/Textures.h"
#include "generators/TriangleMesh.h"

#include <cmath>
#include <sstream>

namespace {

BundledFile meshFile(const std::string& name, const TriangleMesh& mesh, MeshForm form,
                     const std::string& comment, float pressure = 0.0f) {
    std::ostringstream out;
    writeMesh(mesh, form, out, comment, pressure);
    std::ostringstream summary;
    summary << mesh.points.size() << " points, " << mesh.triangles.size() << " triangles, "
            << mesh.struts.size() << " struts, " << countEdges(mesh) << " springs";
    return {name, summary.str(), out.str()};
}

BundledFile imageFile(const std::string& name, const Image& image) {
    std::ostringstream out;
    writeTga(image, out);
    std::ostringstream summary;
    summary << image.width << " x " << image.height << " pixels, " << image.channels * 8
            << "-bit TGA";
    return {name, summary.str(), out.str()};
}

// The bodies stand 3 units from the origin toward the camera, clear of the pillars at
// (-4, -4) and (0.3, -4): a body that starts inside a pillar is thrown sideways and can slide
// off the floor. Struts through the centre keep the hollow bodies in shape when they land.
const SbVec3f start(0, 0, 3);

} // namespace

BundledFile makeBall(int level, float pressure) {
    const bool inflated = pressure > 0.0f;
    std::ostringstream comment;
    comment << "icosphere of level " << level
            << ", radius 4, centre (0, 0, 3), spherical texture coordinates; "
            << (inflated ? "no struts, held by the gas inside; bending springs as faces of two"
                         : "a strut joins each point to its opposite");
    TriangleMesh ball =
        makeIcosphere(level, 4.0f, start, inflated ? Bracing::None : Bracing::ThroughCentre);
    if (inflated) {
        addBendingSprings(ball);
    }
    return meshFile("ball.toff", ball, MeshForm::Toff, comment.str(), pressure);
}

BundledFile makeSheetFile(int n) {
    std::ostringstream comment;
    comment << "sheet of " << n << " x " << n
            << " points, 8 units a side, upright, top edge centred on (0, 4, 3) along (1, 0, 1), "
               "facing the cannon and the camera; "
               "points row by row from the top, corners 0, "
            << n - 1 << ", " << n * (n - 1) << ", " << n * n - 1
            << "; structural springs along the triangles' edges, shear and bending springs as "
               "faces of two";
    // Half turned toward the camera, whose view runs along -z, and still across the cannon's
    // shots, which fly along +x.
    const SbVec3f across = SbVec3f(1, 0, 1) / std::sqrt(2.0f);
    return meshFile("sheet.toff", makeSheet(n, 8.0f, SbVec3f(0, 4, 3), across), MeshForm::Toff,
                    comment.str());
}

std::vector<BundledFile> makeBundledData() {
    std::vector<BundledFile> files;
    files.push_back(makeBall(3));
    files.push_back(meshFile(
        "box.off", makeRoundedBox(SbVec3f(3, 2, 2), 0.75f, 4, 2, start, Bracing::ThroughCentre),
        MeshForm::Off,
        "box 6 x 4 x 4 with edges rounded to radius 0.75, centre (0, 0, 3); "
        "a strut joins each point to its opposite"));
    files.push_back(imageFile("body.tga", makeBodyTexture(256, 8)));
    files.push_back(imageFile("col.tga", makePillarTexture(256, 256, 7)));
    return files;
}
