#pragma once

#include "prepare/Bracing.h"
#include "prepare/MeshCleanup.h"
#include "prepare/ModelPicture.h"
#include "prepare/PrepareProgress.h"
#include "prepare/Placement.h"
#include "generators/TriangleMesh.h"

#include <cstdint>
#include <string>

/// Points a prepared body has at most by default: a body of this size steps in well under a
/// millisecond and weighs about one and a half times the bundled ball.
constexpr int defaultPointBudget = 1000;

struct PrepareOptions {
    /// Largest extent of the body; the bundled ball's by default.
    float size = Stand().size;
    UpAxis up = UpAxis::Y;
    int maxPoints = defaultPointBudget;
    /// Above 0: the body is held by a gas of this pressure rather than by struts, when its
    /// surface is closed (bending springs instead of struts, and the pressure record in its
    /// file); a surface that is not closed is braced with struts all the same.
    float pressure = 0;
    /// Told of each stage from importing to bracing as it starts, and within bracing of its
    /// share done; none by default.
    PrepareProgress progress;
};

/// What preparing a model did, for the user.
struct PrepareReport {
    int64_t pointsRead = 0;
    int64_t facesRead = 0;
    int64_t trianglesRead = 0;
    CleanupCounts cleanup;
    /// Points and triangles after welding and clean-up, before simplification.
    int64_t pointsWelded = 0;
    int64_t trianglesWelded = 0;
    bool ownTexCoords = false;
    /// The picture the model names for its surface, when the body keeps its texture
    /// coordinates (taken, or why not).
    ModelPicture picture;
    float scale = 0;
    BracingCounts bracing;
    /// The pressure the body's file asks for (0 when braced), the bending springs that go with
    /// it, and when a pressure was asked for and not given, why.
    float pressure = 0;
    int64_t bendingSprings = 0;
    std::string pressureProblem;
};

/// Turns the model file at `path` into a body: imported, welded and cleaned, simplified to the
/// point budget, ordered for locality, turned up, scaled and placed on the bundled bodies'
/// stand, textured, its key points chosen and braced. Returns an empty string on success, else
/// one line (without the file's name) saying what is wrong with the model.
std::string prepareModel(const std::string& path, const PrepareOptions& options, TriangleMesh& body,
                         PrepareReport& report);

/// The same for a model file's bytes in memory; `extension` names its form.
std::string prepareModel(const void* bytes, std::size_t size, const char* extension,
                         const PrepareOptions& options, TriangleMesh& body, PrepareReport& report);
