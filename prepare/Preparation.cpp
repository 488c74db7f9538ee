#include "prepare/Preparation.h"

#include "generators/BendingSprings.h"
#include "mpsystem/SurfaceClosure.h"
#include "mpsystem/SurfacePressure.h"
#include "prepare/ModelImport.h"
#include "prepare/Simplify.h"

#include <algorithm>
#include <cmath>

namespace {

/// The arrow keys push points 1, 2, 5 and 6.
constexpr int64_t fewestPoints = 7;

void tell(const PrepareOptions& options, PrepareStage stage, double done = 0) {
    if (options.progress) {
        options.progress(stage, done);
    }
}

/// Why the surface cannot hold a gas, as the program would say it; empty when it can.
std::string pressureProblem(const TriangleMesh& body) {
    const SurfaceClosure closure =
        closureOf(body.triangles.empty() ? nullptr : body.triangles.front().data(),
                  body.triangles.size(), 3);
    if (!closure.closed) {
        return closure.problem;
    }
    double volume = 0;
    for (const auto& t : body.triangles) {
        const SbVec3f& a = body.points[static_cast<std::size_t>(t[0])];
        volume += volumeTerm(a, triangleCross(a, body.points[static_cast<std::size_t>(t[1])],
                                              body.points[static_cast<std::size_t>(t[2])]));
    }
    return std::fabs(volume) > 0.0 && std::isfinite(volume) ? "" : "the surface encloses no volume";
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
    if (options.pressure > 0.0f) {
        report.pressureProblem = pressureProblem(body);
        if (report.pressureProblem.empty()) {
            report.pressure = options.pressure;
            report.bendingSprings = addBendingSprings(body);
            report.bracing.struts = tieSeparateParts(body);
            report.bracing.mostSpringsAtAPoint = mostSpringsAtAPoint(body);
            return std::string();
        }
    }
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
