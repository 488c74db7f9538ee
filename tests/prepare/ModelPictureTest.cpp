// The model's own picture beside the prepared body: taken from a file the model names or from
// the model itself, written as the body's texture takes it and decoded by the program's image
// library; never one that the program could not use, and never one left from an earlier run.

#include "ModelFiles.h"
#include "common/PreparedBodies.h"
#include "generators/Icosphere.h"
#include "image/TextureFile.h"
#include "tests/CoinEnvironment.h"
#include "tests/image/ImageFiles.h"

#include <Inventor/nodes/SoTexture2.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

std::string text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

void put(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

/// A textured ball as OBJ whose material is in ball.mtl.
std::string texturedObj() {
    return "mtllib ball.mtl\nusemtl skin\n" + objText(makeIcosphere(1, 1, SbVec3f(0, 0, 0)));
}

const Picture known = knownPicture(13, 11, 3);

struct PictureCase {
    const char* name;
    /// Writes the model and what it names into the folder; returns the model's file name.
    std::function<std::string(const fs::path&)> writeModel;
    /// The form the picture is taken in, or empty when none is.
    std::string extension;
    /// The picture's bytes as they are to be written beside the body.
    std::string bytes;
    /// The report's line about the picture: the picture's name when it is taken, and then
    /// where it was written.
    std::string report;
};

void PrintTo(const PictureCase& c, std::ostream* out) {
    *out << c.name;
}

class ModelPictures : public testing::TestWithParam<PictureCase> {};

} // namespace

TEST_P(ModelPictures, LieBesideTheBodyAsTheTextureTakesThemAndNoneElse) {
    const PictureCase& c = GetParam();
    const fs::path folder =
        fs::temp_directory_path() / ("plimmerton-picture-" + std::string(c.name));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string model = (folder / c.writeModel(folder)).string();
    const std::string body = (folder / "out" / "ball.toff").string();
    // Pictures of every form from an earlier run.
    for (const std::string& extension : bodyPictureExtensions()) {
        put(bodyPicturePath(body, extension), "stale");
    }
    TempFile out(".out");
    const std::string command =
        std::string(PREPARE_TOOL) + " '" + model + "' '" + body + "' >" + out.path() + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << out.read();
    const std::string report = c.extension.empty() ? c.report
                                                   : c.report + ", written beside the body as " +
                                                         bodyPicturePath(body, c.extension);
    EXPECT_NE(out.read().find("\nPicture: " + report + "\n"), std::string::npos) << out.read();

    for (const std::string& extension : bodyPictureExtensions()) {
        const std::string path = bodyPicturePath(body, extension);
        EXPECT_EQ(fs::exists(path), extension == c.extension) << path;
    }
    EXPECT_EQ(findBodyPicture(body), c.extension.empty() ? "" : bodyPicturePath(body, c.extension));
    if (!c.extension.empty()) {
        const std::string path = bodyPicturePath(body, c.extension);
        EXPECT_EQ(readFile(path), c.bytes);
        SoTexture2* texture = new SoTexture2;
        texture->ref();
        std::string problem;
        EXPECT_TRUE(loadTexture(*texture, path.c_str(), problem)) << problem;
        SbVec2s size;
        int components = 0;
        texture->image.getValue(size, components);
        EXPECT_EQ(size, SbVec2s(13, 11));
        texture->unref();
    }
    fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Models, ModelPictures,
    testing::Values(
        // Named with the backslashes of a model made on Windows, in a folder beside it.
        PictureCase{"ObjWithPng",
                    [](const fs::path& folder) {
                        put(folder / "maps/skin.png", text(pngFile(known)));
                        put(folder / "ball.mtl", "newmtl skin\nmap_Kd maps\\skin.png\n");
                        put(folder / "ball.obj", texturedObj());
                        return "ball.obj";
                    },
                    "png", text(pngFile(known)), "maps\\skin.png"},
        PictureCase{"ObjWithTga",
                    [](const fs::path& folder) {
                        put(folder / "skin.tga", text(tgaFile(known, true, true)));
                        put(folder / "ball.mtl", "newmtl skin\nmap_Kd skin.tga\n");
                        put(folder / "ball.obj", texturedObj());
                        return "ball.obj";
                    },
                    "tga", text(tgaFile(known, true, true)), "skin.tga"},
        PictureCase{"GltfWithEmbeddedJpeg",
                    [](const fs::path& folder) {
                        put(folder / "ball.gltf", gltfText(makeIcosphere(1, 1, SbVec3f(0, 0, 0)),
                                                           text(jpegFile(known)), "image/jpeg"));
                        return "ball.gltf";
                    },
                    "jpg", text(jpegFile(known)), "embedded picture 0"},
        PictureCase{"ObjWithBmp",
                    [](const fs::path& folder) {
                        put(folder / "skin.bmp", "BM not a picture the program reads");
                        put(folder / "ball.mtl", "newmtl skin\nmap_Kd skin.bmp\n");
                        put(folder / "ball.obj", texturedObj());
                        return "ball.obj";
                    },
                    "", "", "skin.bmp not taken: the file is not a TGA, PNG or JPEG picture"},
        PictureCase{"ObjWithoutTextureCoordinates",
                    [](const fs::path& folder) {
                        put(folder / "skin.png", text(pngFile(known)));
                        put(folder / "ball.mtl", "newmtl skin\nmap_Kd skin.png\n");
                        TriangleMesh ball = makeIcosphere(1, 1, SbVec3f(0, 0, 0));
                        ball.texCoords.clear();
                        put(folder / "ball.obj", "mtllib ball.mtl\nusemtl skin\n" + objText(ball));
                        return "ball.obj";
                    },
                    "", "", "none of the model's; the program's -tex picture covers the body"}),
    [](const testing::TestParamInfo<PictureCase>& info) { return info.param.name; });
