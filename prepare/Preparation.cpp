#include "prepare/Preparation.h"

#include "prepare/ModelImport.h"
#include "prepare/Simplify.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

/// The arrow keys push points 1, 2, 5 and 6.
constexpr int64_t fewestPoints = 7;

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
    simplifyToBudget(body, std::max<int>(budget * 3 / 5, fewestPoints));
    evenOutDetail(body, budget);
    orderForLocality(body);
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
    if (!report.ownTexCoords) {
        assignSphericalTexCoords(body);
    }
    chooseKeyPoints(body);
    report.bracing = addBracing(body);
    return std::string();
}

} // namespace

std::string prepareModel(const std::string& path, const PrepareOptions& options, TriangleMesh& body,
                         PrepareReport& report) {
    return finish(importModel(path), options, body, report);
}

std::string prepareModel(const void* bytes, std::size_t size, const char* extension,
                         const PrepareOptions& options, TriangleMesh& body, PrepareReport& report) {
    return finish(importModel(bytes, size, extension), options, body, report);
}

std::string writeBody(const TriangleMesh& body, const std::string& path,
                      const std::string& comment) {
    // The new file sits in the same folder, so the rename replaces the old one at once and a
    // reader never sees half a body.
    std::string temporary = path + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        return std::string("cannot be written (") + std::strerror(errno) + ")";
    }
    // A body file is read by everyone, as the files the program ships are.
    fchmod(descriptor, 0644);
    close(descriptor);
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    const bool written = out && writeMesh(body, MeshForm::Toff, out, comment) && out.flush();
    out.close();
    if (!written || out.fail()) {
        std::remove(temporary.c_str());
        return "cannot be written (the disk may be full)";
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        return "cannot be written (" + reason + ")";
    }
    return std::string();
}
