#include "prepare/Preparation.h"

#include "prepare/ModelImport.h"
#include "prepare/Simplify.h"

#include <algorithm>

namespace {

/// The arrow keys push points 1, 2, 5 and 6.
constexpr int64_t fewestPoints = 7;

void tell(const PrepareOptions& options, PrepareStage stage, double done = 0) {
    if (options.progress) {
        options.progress(stage, done);
    }
}

std::string finish(ImportedModel model, const PrepareOptions& options, TriangleMesh& body,
                   PrepareReport& report) {
    report = PrepareReport();
    if (!model.error.empty()) {
        return model.error;
    }
    body = std::move(model.mesh);
    report.pointsRead = model.pointsRead;
    report.facesRead = model.facesRead;
    report.trianglesRead = static_cast<int64_t>(body.triangles.size());
    tell(options, PrepareStage::Welding);
    report.cleanup = weldAndClean(body);
    report.pointsWelded = static_cast<int64_t>(body.points.size());
    report.trianglesWelded = static_cast<int64_t>(body.triangles.size());
    if (body.triangles.empty()) {
        return "the model has no faces with an area";
    }
    if (report.pointsWelded < fewestPoints) {
        return "the model has " + std::to_string(report.pointsWelded) +
               " points; a body needs at least " + std::to_string(fewestPoints);
    }
    const int budget = std::max<int>(options.maxPoints, fewestPoints);
    // Simplified below the budget first, so that the flat parts get their share of points back.
    tell(options, PrepareStage::Simplifying);
    simplifyToBudget(body, std::max<int>(budget * 3 / 5, fewestPoints), [&options](double done) {
        tell(options, PrepareStage::Simplifying, 0.9 * done);
    });
    tell(options, PrepareStage::Simplifying, 0.9);
    evenOutDetail(body, budget);
    tell(options, PrepareStage::Ordering);
    orderForLocality(body);
    tell(options, PrepareStage::Placing);
    turnUp(body, options.up);
    report.scale = placeOnStand(body, Stand{options.size});
    if (report.scale == 0.0f) {
        return "the model has no extent: all its points lie in one place";
    }
    // Scaling can make points that were apart coincide in single precision.
    weldAndClean(body);
    if (static_cast<int64_t>(body.points.size()) < fewestPoints) {
        return "the model has fewer than " + std::to_string(fewestPoints) +
               " points apart at this size";
    }
    report.ownTexCoords = !body.texCoords.empty();
    if (report.ownTexCoords) {
        report.picture = std::move(model.picture);
    } else {
        assignSphericalTexCoords(body);
    }
    chooseKeyPoints(body);
    tell(options, PrepareStage::Bracing);
    report.bracing = addBracing(body, defaultMaxSpringsPerPoint, [&options](double done) {
        tell(options, PrepareStage::Bracing, done);
    });
    return std::string();
}

} // namespace

std::string prepareModel(const std::string& path, const PrepareOptions& options, TriangleMesh& body,
                         PrepareReport& report) {
    tell(options, PrepareStage::Importing);
    return finish(importModel(path), options, body, report);
}

std::string prepareModel(const void* bytes, std::size_t size, const char* extension,
                         const PrepareOptions& options, TriangleMesh& body, PrepareReport& report) {
    tell(options, PrepareStage::Importing);
    return finish(importModel(bytes, size, extension), options, body, report);
}
