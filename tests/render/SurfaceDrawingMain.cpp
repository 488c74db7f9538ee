// Draws the body's surface with real OpenGL twice per case, once through the library's own
// indexed triangle strip set and once through SurfaceStripSet, in the same scene, and compares
// the two pictures pixel by pixel. Needs a display (DISPLAY); the end-to-end script
// test_surface_drawing.sh gives it a virtual one.
//
// Usage: surface_drawing FOLDER. Writes both pictures of each case and their difference into
// FOLDER as TGA files, prints one "PASS: ..." or "FAIL: ..." line per check, and ends with
// status 0 only when every check passed.

#include "generators/Icosphere.h"
#include "generators/Sheet.h"
#include "generators/Textures.h"
#include "generators/TgaWriter.h"
#include "generators/TriangleMesh.h"
#include "mpsystem/MpSystem.h"
#include "mpsystem/surface/BodySurface.h"
#include "mpsystem/surface/SurfaceStripSet.h"
#include "render/GlxOffscreen.h"
#include "render/PictureComparison.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoOffscreenRenderer.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoDirectionalLight.h>
#include <Inventor/nodes/SoDrawStyle.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoNormal.h>
#include <Inventor/nodes/SoNormalBinding.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoSphere.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTranslation.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int pictureSize = 200;
/// The clear colour, exact in 8 bits, which no lit surface of the scene takes.
const SbColor backgroundColour(0.0f, 0.2f, 0.4f);
const uint8_t background[3] = {0, 51, 102};
/// A pixel differs when a channel differs by more than this. Both nodes hand the same
/// triangles, normals and texture coordinates to the same rasteriser, and under the software
/// driver here the pictures come out equal to the bit; the slack is for a driver that rounds a
/// vertex-array triangle differently from a strip of one.
const int levelTolerance = 2;
/// Differing pixels allowed per picture (of 40000). Wrong normals, a missing texture or
/// material, a flipped winding, a missing triangle or triangles drawn in another order where
/// the order shows change from a few dozen to thousands of pixels.
const int pixelTolerance = 20;
/// A picture must show at least this many pixels of the scene, so that two empty pictures
/// cannot agree.
const int minimumCovered = pictureSize * pictureSize / 20;

int failures = 0;

void report(bool passed, const std::string& what) {
    std::printf("%s: %s\n", passed ? "PASS" : "FAIL", what.c_str());
    // Every verdict reaches the file even if the leak checker ends the program at its exit.
    std::fflush(stdout);
    if (!passed) {
        ++failures;
    }
}

/// Which way the strip set is expected to draw a case.
enum class Path { Fast, Library };

struct Case {
    /// File name stem of the pictures.
    std::string name;
    std::string what;
    TriangleMesh mesh;
    SbVec3f eye;
    SbVec3f target;
    SbColor colour{1.0f, 1.0f, 1.0f};
    float transparency = 0.0f;
    /// The body's picture; none when null.
    const Image* texture = nullptr;
    /// Changes to the body's surface subgraph, made the same in both scenes.
    std::function<void(SoSeparator*)> adjust;
    /// When not empty, both pictures are second frames: a first frame is drawn with the mesh's
    /// points and these replace them before the frame compared.
    std::vector<SbVec3f> movedPoints;
    Path path = Path::Fast;
};

template <typename Node> Node* findChild(SoSeparator* parent) {
    for (int i = 0; i < parent->getNumChildren(); ++i) {
        if (parent->getChild(i)->isOfType(Node::getClassTypeId())) {
            return static_cast<Node*>(parent->getChild(i));
        }
    }
    return nullptr;
}

/// A random offset of up to `reach` along each axis; the same seed gives the same offsets.
std::vector<SbVec3f> crumpled(const std::vector<SbVec3f>& points, float reach, uint32_t seed) {
    std::mt19937 random(seed);
    auto offset = [&]() { return reach * (2.0f * (random() >> 8) / 16777216.0f - 1.0f); };
    std::vector<SbVec3f> moved = points;
    for (SbVec3f& p : moved) {
        const float dx = offset();
        const float dy = offset();
        const float dz = offset();
        p += SbVec3f(dx, dy, dz);
    }
    return moved;
}

/// A cube of edge 1.6 around the origin: eight points, two triangles a side, counter-clockwise
/// seen from outside; each point carries a texture coordinate of its own.
TriangleMesh makeCube() {
    TriangleMesh cube;
    for (int i = 0; i < 8; ++i) {
        const float x = (i & 1) ? 0.8f : -0.8f;
        const float y = (i & 2) ? 0.8f : -0.8f;
        const float z = (i & 4) ? 0.8f : -0.8f;
        cube.points.emplace_back(x, y, z);
        cube.texCoords.emplace_back(0.25f + 0.5f * (i & 1) + 0.1f * ((i >> 2) & 1),
                                    0.25f + 0.25f * ((i >> 1) & 1) + 0.3f * ((i >> 2) & 1));
    }
    const int sides[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& s : sides) {
        cube.triangles.push_back({s[0], s[1], s[2]});
        cube.triangles.push_back({s[0], s[2], s[3]});
    }
    return cube;
}

/// The body's surface as the program builds it, with the library's strip set in place of ours
/// when `library`.
SoSeparator* makeSurface(MpSystem& body, const Case& c, bool library) {
    SoSeparator* surface =
        body.buildSurface(c.colour[0], c.colour[1], c.colour[2], c.transparency, "");
    SoTexture2* image = findChild<SoTexture2>(surface);
    if (c.texture != nullptr) {
        const Image& texture = *c.texture;
        image->image.setValue(
            SbVec2s(static_cast<short>(texture.width), static_cast<short>(texture.height)),
            texture.channels, texture.pixels.data());
    } else {
        surface->removeChild(image);
    }
    if (library) {
        SoIndexedTriangleStripSet* ours = findChild<SoIndexedTriangleStripSet>(surface);
        SoIndexedTriangleStripSet* plain = new SoIndexedTriangleStripSet;
        plain->coordIndex = ours->coordIndex;
        surface->replaceChild(ours, plain);
    }
    if (c.adjust) {
        c.adjust(surface);
    }
    return surface;
}

/// Camera, light, the body's surface and a ball beside it, drawn after the surface.
SoSeparator* makeScene(MpSystem& body, const Case& c, bool library) {
    SoSeparator* root = new SoSeparator;
    SoPerspectiveCamera* camera = new SoPerspectiveCamera;
    camera->position = c.eye;
    camera->pointAt(c.target, SbVec3f(0.0f, 1.0f, 0.0f));
    camera->nearDistance = 0.05f;
    camera->farDistance = 20.0f;
    root->addChild(camera);
    SoDirectionalLight* light = new SoDirectionalLight;
    light->direction.setValue(-0.3f, -0.5f, -0.8f);
    root->addChild(light);
    root->addChild(makeSurface(body, c, library));

    SoSeparator* ball = new SoSeparator;
    SoTranslation* place = new SoTranslation;
    place->translation.setValue(1.2f, -0.7f, -0.9f);
    ball->addChild(place);
    SoMaterial* red = new SoMaterial;
    red->diffuseColor.setValue(0.9f, 0.2f, 0.1f);
    ball->addChild(red);
    SoSphere* sphere = new SoSphere;
    sphere->radius = 0.35f;
    ball->addChild(sphere);
    root->addChild(ball);
    return root;
}

class Renderer {
public:
    explicit Renderer(int width = pictureSize, int height = pictureSize)
        : renderer_(SbViewportRegion(static_cast<short>(width), static_cast<short>(height))),
          width_(width), height_(height) {
        renderer_.setComponents(SoOffscreenRenderer::RGB);
        renderer_.setBackgroundColor(backgroundColour);
        // As the program's viewer draws.
        renderer_.getGLRenderAction()->setTransparencyType(SoGLRenderAction::SORTED_OBJECT_BLEND);
    }
    /// The picture, rows from the bottom up; empty when the render failed.
    Image render(SoNode* root) {
        if (!renderer_.render(root)) {
            return Image();
        }
        Image picture(width_, height_, 3);
        const unsigned char* buffer = renderer_.getBuffer();
        picture.pixels.assign(buffer, buffer + picture.pixels.size());
        return picture;
    }

private:
    SoOffscreenRenderer renderer_;
    int width_;
    int height_;
};

/// Whether the strip set in `root` would draw the fast way, and how many of its points are
/// sharp when it would.
struct PathFound {
    bool fast = false;
    int sharpPoints = 0;
    int points = 0;
};

PathFound findPath(SoNode* root) {
    PathFound found;
    SoCallbackAction action;
    action.addPreCallback(
        SurfaceStripSet::getClassTypeId(),
        [](void* data, SoCallbackAction* a, const SoNode* node) {
            PathFound* result = static_cast<PathFound*>(data);
            SurfaceStripSet* strips =
                const_cast<SurfaceStripSet*>(static_cast<const SurfaceStripSet*>(node));
            result->fast = strips->updateNormals(a->getState());
            if (result->fast) {
                const SurfaceNormals& normals = strips->normals();
                result->points = normals.numPoints();
                for (int p = 0; p < normals.numPoints(); ++p) {
                    result->sharpPoints += normals.isSmooth(p) ? 0 : 1;
                }
            }
            return SoCallbackAction::CONTINUE;
        },
        &found);
    action.apply(root);
    return found;
}

/// Draws the case's scene (a first frame and the moved one, when the case moves) with a fresh
/// offscreen context.
Image drawCase(MpSystem& body, const Case& c, bool library, PathFound* path) {
    SoSeparator* root = makeScene(body, c, library);
    root->ref();
    Renderer renderer;
    Image picture = renderer.render(root);
    if (!c.movedPoints.empty()) {
        // The body's surface root is the one just built for this scene.
        SoCoordinate3* coordinates = findChild<SoCoordinate3>(body.surfaceRoot());
        coordinates->point.setValues(0, static_cast<int>(c.movedPoints.size()),
                                     c.movedPoints.data());
        picture = renderer.render(root);
    }
    if (path != nullptr) {
        *path = findPath(root);
    }
    root->unref();
    return picture;
}

std::string folder;

void save(const Image& picture, const std::string& name) {
    if (!writeTgaFile(picture, folder + "/" + name + ".tga")) {
        std::fprintf(stderr, "cannot write %s/%s.tga\n", folder.c_str(), name.c_str());
    }
}

/// Runs one case and reports its checks; returns the library's picture.
Image runCase(const Case& c) {
    std::istringstream text(meshText(c.mesh, MeshForm::Toff));
    MpSystem body(text, 0.0f, 1.0f, 50.0f);
    if (!body.isLoaded()) {
        report(false, c.what + ": the mesh loads (" + body.loadError() + ")");
        return Image();
    }
    PathFound path;
    const Image library = drawCase(body, c, true, nullptr);
    const Image ours = drawCase(body, c, false, &path);
    save(library, c.name + "-library");
    save(ours, c.name + "-ours");
    save(differencePicture(library, ours), c.name + "-difference");

    if (c.path == Path::Fast) {
        report(path.fast, c.what + ": the strip set draws it from vertex arrays, " +
                              std::to_string(path.sharpPoints) + " of " +
                              std::to_string(path.points) + " points sharp");
    } else {
        report(!path.fast, c.what + ": the strip set leaves it to the library's drawing");
    }
    const int libraryCovered = coveredPixels(library, background);
    const int oursCovered = coveredPixels(ours, background);
    report(libraryCovered >= minimumCovered && oursCovered >= minimumCovered,
           c.what + ": both pictures show the scene (" + std::to_string(libraryCovered) + " and " +
               std::to_string(oursCovered) + " pixels of " +
               std::to_string(pictureSize * pictureSize) + ", at least " +
               std::to_string(minimumCovered) + " needed)");
    const PictureDifference difference = comparePictures(library, ours, levelTolerance);
    report(difference.differingPixels <= pixelTolerance,
           c.what + ": the pictures agree, " + std::to_string(difference.differingPixels) +
               " pixels differ by more than " + std::to_string(levelTolerance) +
               " levels (at most " + std::to_string(pixelTolerance) +
               " allowed), largest difference " + std::to_string(difference.largest));
    return library;
}

/// The picture with an alpha channel: its dark squares let through more than its light ones.
Image seeThrough(const Image& picture) {
    Image withAlpha(picture.width, picture.height, 4);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* from = picture.pixel(x, y);
            uint8_t* to = withAlpha.pixel(x, y);
            std::copy(from, from + 3, to);
            to[3] = static_cast<uint8_t>(64 + from[0] / 2);
        }
    }
    return withAlpha;
}

std::vector<Case> makeCases(const Image& texture, const Image& seeThroughTexture) {
    const TriangleMesh sphere = makeIcosphere(3, 1.0f, SbVec3f(0.0f, 0.0f, 0.0f));
    TriangleMesh crumpledSphere = sphere;
    crumpledSphere.points = crumpled(sphere.points, 0.06f, 7);
    const SbVec3f outside(0.9f, 1.1f, 3.6f);
    const SbVec3f centre(0.0f, 0.0f, 0.0f);
    std::vector<Case> cases;

    Case smooth;
    smooth.name = "smooth-sphere";
    smooth.what = "smooth sphere, white and textured as the program draws it";
    smooth.mesh = sphere;
    smooth.eye = outside;
    smooth.target = centre;
    smooth.texture = &texture;
    cases.push_back(smooth);

    Case bare = smooth;
    bare.name = "smooth-sphere-untextured";
    bare.what = "smooth sphere without a texture";
    bare.texture = nullptr;
    cases.push_back(bare);

    Case crumpledCase = smooth;
    crumpledCase.name = "crumpled-sphere";
    crumpledCase.what = "crumpled sphere, coloured and textured";
    crumpledCase.mesh = crumpledSphere;
    crumpledCase.colour.setValue(0.6f, 0.9f, 0.7f);
    cases.push_back(crumpledCase);

    // 20,480 triangles: the sharp ones span several of the blocks that the normals and the
    // arrays are laid out in.
    Case fine = crumpledCase;
    fine.name = "fine-crumpled-sphere";
    fine.what = "finer crumpled sphere, its sharp triangles in three blocks";
    fine.mesh = makeIcosphere(5, 1.0f, centre);
    fine.mesh.points = crumpled(fine.mesh.points, 0.02f, 11);
    cases.push_back(fine);

    Case moved = smooth;
    moved.name = "sphere-crumpled-after-first-frame";
    moved.what = "sphere crumpled after a first frame drawn smooth";
    moved.movedPoints = crumpledSphere.points;
    cases.push_back(moved);

    Case cube;
    cube.name = "cube";
    cube.what = "cube, every point sharp";
    cube.mesh = makeCube();
    cube.eye.setValue(2.4f, 2.0f, 3.2f);
    cube.target = centre;
    cube.colour.setValue(0.8f, 0.8f, 1.0f);
    cube.texture = &texture;
    cases.push_back(cube);

    Case inside = crumpledCase;
    inside.name = "crumpled-sphere-inside";
    inside.what = "crumpled sphere seen from inside, lit on its back faces";
    inside.eye.setValue(0.1f, 0.2f, 0.45f);
    inside.target.setValue(0.0f, -0.1f, -1.0f);
    cases.push_back(inside);

    Case translucent = crumpledCase;
    translucent.name = "crumpled-sphere-translucent";
    translucent.what = "crumpled sphere, 40 % transparent before the ball";
    translucent.transparency = 0.4f;
    cases.push_back(translucent);

    Case seeThroughCase = crumpledCase;
    seeThroughCase.name = "crumpled-sphere-see-through-texture";
    seeThroughCase.what = "crumpled sphere with a texture partly transparent";
    seeThroughCase.texture = &seeThroughTexture;
    cases.push_back(seeThroughCase);

    Case lines = crumpledCase;
    lines.name = "crumpled-sphere-lines";
    lines.what = "crumpled sphere drawn as lines";
    lines.adjust = [](SoSeparator* surface) {
        SoDrawStyle* style = new SoDrawStyle;
        style->style = SoDrawStyle::LINES;
        surface->insertChild(style, 0);
    };
    cases.push_back(lines);

    Case points = crumpledCase;
    points.name = "crumpled-sphere-points";
    points.what = "crumpled sphere drawn as points";
    points.adjust = [](SoSeparator* surface) {
        SoDrawStyle* style = new SoDrawStyle;
        style->style = SoDrawStyle::POINTS;
        style->pointSize = 3.0f;
        surface->insertChild(style, 0);
    };
    cases.push_back(points);

    Case given = crumpledCase;
    given.name = "crumpled-sphere-given-normals";
    given.what = "crumpled sphere with smooth normals given by a normal node";
    given.path = Path::Library;
    given.adjust = [spherePoints = sphere.points](SoSeparator* surface) {
        findChild<SoNormalBinding>(surface)->value = SoNormalBinding::PER_VERTEX_INDEXED;
        SoNormal* normals = new SoNormal;
        for (size_t i = 0; i < spherePoints.size(); ++i) {
            SbVec3f n = spherePoints[i];
            n.normalize();
            normals->vector.set1Value(static_cast<int>(i), n);
        }
        surface->insertChild(normals, surface->getNumChildren() - 1);
    };
    cases.push_back(given);

    Case faces = crumpledCase;
    faces.name = "crumpled-sphere-face-normals";
    faces.what = "crumpled sphere with a normal per face";
    faces.path = Path::Library;
    faces.adjust = [](SoSeparator* surface) {
        findChild<SoNormalBinding>(surface)->value = SoNormalBinding::PER_FACE;
    };
    cases.push_back(faces);

    // A cloth has no inside: both its sides are seen, and each is lit as it faces the light.
    Case sheetFront;
    sheetFront.name = "sheet-front";
    sheetFront.what = "sheet seen from the side its triangles face, turned from the light";
    sheetFront.mesh = makeSheet(16, 2.0f, SbVec3f(0.0f, 1.0f, 0.0f), SbVec3f(0.0f, 0.0f, 1.0f));
    sheetFront.eye.setValue(-3.0f, 0.2f, 0.4f);
    sheetFront.target = centre;
    sheetFront.colour.setValue(0.9f, 0.9f, 0.9f);
    cases.push_back(sheetFront);

    Case sheetBack = sheetFront;
    sheetBack.name = "sheet-back";
    sheetBack.what = "sheet seen from behind, its back facing the light";
    sheetBack.eye.setValue(3.0f, 0.2f, 0.4f);
    cases.push_back(sheetBack);
    return cases;
}

/// The mean of all channels of the pixels that are not the background.
double meanBrightness(const Image& picture) {
    double sum = 0;
    int counted = 0;
    for (size_t k = 0; k + 2 < picture.pixels.size(); k += 3) {
        const uint8_t* p = &picture.pixels[k];
        if (p[0] != background[0] || p[1] != background[1] || p[2] != background[2]) {
            sum += p[0] + p[1] + p[2];
            ++counted;
        }
    }
    return counted > 0 ? sum / (3.0 * counted) : 0.0;
}

/// The ball of the bundled ball's shape with 163,842 points, in the window's default size, seen
/// from the default view's direction at three distances (about 70, 190 and 380 pixels across),
/// drawn through the level the view chooses and through all its triangles. The pictures may
/// differ by 2% of the full range (root mean square) over the window, as the window's own
/// pictures may; over the ball's own pixels, where all the difference lies, by 3%. Close up
/// the whole surface is drawn.
void runLevelCases(const Image& texture) {
    const int width = 500;
    const int height = 390;
    const double windowTolerance = 0.02;
    const double ballTolerance = 0.03;
    const SbVec3f centre(0.0f, 0.0f, 3.0f);
    std::istringstream text(meshText(makeIcosphere(7, 4.0f, centre), MeshForm::Toff));
    MpSystem body(text, 0.0f, 1.0f, 50.0f);
    SbVec3f away(-10.0f, 15.0f, 47.0f);
    away.normalize();
    for (float distance : {52.0f, 20.0f, 10.0f}) {
        Case view;
        view.eye = centre + distance * away;
        view.target = centre;
        const std::string what =
            "ball of 163842 points " + std::to_string(int(distance)) + " units away";
        Image pictures[2];
        int levelDrawn = -1;
        for (bool levels : {true, false}) {
            BodySurface surface(body, 1.0f, 1.0f, 1.0f, 0.0f, "", levels);
            findChild<SoTexture2>(surface.root())
                ->image.setValue(
                    SbVec2s(static_cast<short>(texture.width), static_cast<short>(texture.height)),
                    texture.channels, texture.pixels.data());
            SoSeparator* root = new SoSeparator;
            root->ref();
            SoPerspectiveCamera* camera = new SoPerspectiveCamera;
            camera->position = view.eye;
            camera->pointAt(view.target, SbVec3f(0.0f, 1.0f, 0.0f));
            camera->nearDistance = 1.0f;
            camera->farDistance = 100.0f;
            root->addChild(camera);
            SoDirectionalLight* light = new SoDirectionalLight;
            light->direction.setValue(-0.3f, -0.5f, -0.8f);
            root->addChild(light);
            root->addChild(surface.root());
            Renderer renderer(width, height);
            pictures[levels ? 0 : 1] = renderer.render(root);
            if (levels) {
                levelDrawn = surface.strips()->levelDrawn();
            }
            root->unref();
        }
        const std::string name = "ball-levels-" + std::to_string(int(distance));
        save(pictures[0], name + "-level");
        save(pictures[1], name + "-whole");
        save(differencePicture(pictures[0], pictures[1]), name + "-difference");
        if (distance > 15.0f) {
            report(levelDrawn > 0,
                   what + ": drawn through a coarser level (" + std::to_string(levelDrawn) + ")");
        } else {
            report(levelDrawn == 0,
                   what + ": drawn whole (level " + std::to_string(levelDrawn) + ")");
        }
        report(coveredPixels(pictures[1], background) >= minimumCovered,
               what + ": the picture shows the ball");
        const double window = rmsDifference(pictures[0], pictures[1]);
        const double ball = rmsDifference(pictures[0], pictures[1], background);
        report(window <= windowTolerance && ball <= ballTolerance,
               what + ": the level's picture and the whole surface's differ by " +
                   std::to_string(100 * window) + "% over the window and " +
                   std::to_string(100 * ball) + "% over the ball (root mean square, at most " +
                   std::to_string(100 * windowTolerance) + "% and " +
                   std::to_string(100 * ballTolerance) + "%)");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: surface_drawing FOLDER\n");
        return 2;
    }
    folder = argv[1];
    if (!useDirectGlxOffscreenContexts()) {
        return 1;
    }
    SoDB::init();
    SurfaceStripSet::initClass();
    const Image texture = makeBodyTexture(256, 8);
    const Image seeThroughTexture = seeThrough(texture);

    const std::vector<Case> cases = makeCases(texture, seeThroughTexture);
    std::vector<Image> libraryPictures;
    for (const Case& c : cases) {
        libraryPictures.push_back(runCase(c));
    }
    // The texture must show at all, or a node that dropped it would agree with the library:
    // the first two cases are the same sphere with and without it.
    const PictureDifference textureShows =
        comparePictures(libraryPictures[0], libraryPictures[1], levelTolerance);
    report(textureShows.differingPixels > 2000,
           "the texture shows: the textured and the plain sphere differ in " +
               std::to_string(textureShows.differingPixels) + " pixels");
    // Lit on both sides, the sheet's back, which faces the light, is the brighter; lit on its
    // front alone, the back would take the front's normal and its darkness.
    const double front = meanBrightness(libraryPictures[libraryPictures.size() - 2]);
    const double back = meanBrightness(libraryPictures.back());
    report(back > 1.3 * front, "the sheet is lit on both sides: its back " + std::to_string(back) +
                                   " against its front " + std::to_string(front));
    runLevelCases(texture);
    std::printf("%d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
