#pragma once

#include "prepare/Bracing.h"
#include "prepare/MeshCleanup.h"
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
    float scale = 0;
    BracingCounts bracing;
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

/// Writes the body as a TOFF file at `path`, all or nothing: into a new file beside it, which
/// then replaces `path`. Returns an empty string on success, else what went wrong.
std::string writeBody(const TriangleMesh& body, const std::string& path,
                      const std::string& comment);
