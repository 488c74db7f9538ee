#include "tools/BundledData.h"

#include "tools/Icosphere.h"
#include "tools/RoundedBox.h"
#include "tools/Textures.h"
#include "tools/TriangleMesh.h"

#include <sstream>

namespace {

BundledFile meshFile(const std::string& name, const TriangleMesh& mesh, MeshForm form,
                     const std::string& comment) {
    std::ostringstream out;
    writeMesh(mesh, form, out, comment);
    std::ostringstream summary;
    summary << mesh.points.size() << " points, " << mesh.triangles.size() << " triangles, "
            << countEdges(mesh) << " edges";
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

} // namespace

std::vector<BundledFile> makeBundledData() {
    std::vector<BundledFile> files;
    files.push_back(meshFile("ball.toff", makeIcosphere(3, 4.0f, SbVec3f(0, 0, 0)), MeshForm::Toff,
                             "icosphere of level 3, radius 4, spherical texture coordinates"));
    files.push_back(meshFile("box.off",
                             makeRoundedBox(SbVec3f(3, 2, 2), 0.75f, 4, 2, SbVec3f(0, 0, 0)),
                             MeshForm::Off, "box 6 x 4 x 4 with edges rounded to radius 0.75"));
    files.push_back(imageFile("body.tga", makeBodyTexture(256, 8)));
    files.push_back(imageFile("col.tga", makePillarTexture(256, 256, 7)));
    return files;
}
