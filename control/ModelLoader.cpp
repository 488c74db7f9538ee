#include "control/ModelLoader.h"

#include "common/ErrorLine.h"
#include "common/PreparedBodies.h"
#include "control/CancellableInput.h"
#include "control/ModelFileRead.h"
#include "mpsystem/MeshKind.h"
#include "mpsystem/MeshReader.h"

#include <atomic>
#include <filesystem>
#include <istream>
#include <system_error>

/// One reading on its own thread, which the loader joins before it lets go of the record.
struct ModelLoader::Reading {
    enum class Outcome { body, needsPreparation, failed };

    /// Set by the loader to stop the thread, which looks at it all along; what a stopped thread
    /// leaves in the record is never looked at.
    std::atomic<bool> cancelled{false};
    /// Set last, once the fields below are written.
    std::atomic<bool> finished{false};
    Outcome outcome = Outcome::failed;
    BodyMesh mesh;
    std::string bodyPath;
    std::string picturePath;
    /// Where the preparation is to write the body.
    std::string preparedPath;
    std::string problem;
};

namespace {

using Reading = ModelLoader::Reading;

// The whole file in memory: its kind and its body come from the same bytes, so the reader can
// never meet a keyword it would end the program for.
bool readBytes(Reading& reading, const std::string& path, std::string& bytes) {
    return readModelFile(path, bytes, reading.problem, reading.cancelled) == ModelFileRead::read;
}

void readBody(Reading& reading, const std::string& bytes, const std::string& path, float mass) {
    // The reader's progress starts on a line of its own, after whatever came before it.
    freshErrorLine();
    CancellableInput buffer(bytes.data(), bytes.size(), reading.cancelled);
    std::istream in(&buffer);
    MeshReader reader(in, path.c_str(), &reading.cancelled);
    reading.mesh = reader.read(mass);
    if (!reader.error().empty()) {
        reading.problem = path + ": " + reader.error();
        return;
    }
    if (reading.mesh.springs.empty()) {
        reading.problem = path + ": the file holds no faces";
        return;
    }
    reading.bodyPath = path;
    reading.outcome = Reading::Outcome::body;
}

// A model is prepared once: the body made of it before, for the same model bytes, the same
// options and the same tool, is taken from the cache.
void findPrepared(Reading& reading, const std::string& bytes, const std::string& path,
                  const std::string& tool, float mass, const std::vector<std::string>& options) {
    if (tool.empty()) {
        reading.problem = noPrepareTool(path);
        return;
    }
    const PreparedPlace place =
        placePreparedBody(path, preparedBodyKeyOfBytes(bytes, options, tool, reading.cancelled));
    if (!place.problem.empty()) {
        reading.problem = place.problem;
        return;
    }
    if (place.prepared) {
        std::string body;
        if (readBytes(reading, place.bodyPath, body)) {
            readBody(reading, body, place.bodyPath, mass);
            reading.picturePath = findBodyPicture(place.bodyPath);
        }
        return;
    }
    reading.preparedPath = place.bodyPath;
    reading.outcome = Reading::Outcome::needsPreparation;
}

void readOrFind(Reading& reading, const std::string& path, bool mustBeBody, const std::string& tool,
                float mass, const std::vector<std::string>& options) {
    std::string bytes;
    if (!readBytes(reading, path, bytes)) {
        return;
    }
    CancellableInput buffer(bytes.data(), bytes.size(), reading.cancelled);
    std::istream in(&buffer);
    const MeshKind kind = meshKindOf(in);
    if (reading.cancelled) {
        return;
    }
    if (kind == MeshKind::body) {
        readBody(reading, bytes, path, mass);
        if (mustBeBody) {
            reading.picturePath = findBodyPicture(path);
        }
    } else if (mustBeBody) {
        reading.problem = path + ": the prepared body is not a body file";
    } else {
        findPrepared(reading, bytes, path, tool, mass, options);
    }
}

} // namespace

ModelLoader::ModelLoader(Launcher launch, std::string tool)
    : launch_(std::move(launch)), givenTool_(std::move(tool)) {}

ModelLoader::~ModelLoader() {
    cancel();
}

void ModelLoader::open(const std::string& path, float mass, float pressure) {
    cancel();
    // Looked for at every opening, so that a tool built or installed while the program runs
    // is found without a restart.
    tool_ = givenTool_.empty() ? findPrepareTool() : givenTool_;
    modelPath_ = path;
    mass_ = mass;
    prepareOptions_ = pressureOptions(pressure);
    progress_ = PrepareProgress{};
    startReading(path, false);
}

void ModelLoader::startReading(const std::string& bodyPath, bool mustBeBody) {
    stopReading();
    reading_ = std::make_unique<Reading>();
    stage_ = Stage::reading;
    reader_ = std::thread([reading = reading_.get(), bodyPath, mustBeBody, tool = tool_,
                           mass = mass_, options = prepareOptions_] {
        readOrFind(*reading, bodyPath, mustBeBody, tool, mass, options);
        reading->finished = true;
    });
}

void ModelLoader::stopReading() {
    if (reader_.joinable()) {
        reading_->cancelled = true;
        reader_.join();
    }
    reading_.reset();
}

bool ModelLoader::cancel() {
    const bool underWay = stage_ == Stage::reading || stage_ == Stage::preparing;
    if (preparation_) {
        preparation_->cancel();
        preparation_.reset();
    }
    stopReading();
    if (underWay) {
        stage_ = Stage::idle;
    }
    return underWay;
}

ModelLoader::Stage ModelLoader::poll() {
    if (stage_ == Stage::reading && reading_->finished) {
        reader_.join();
        finishReading();
    } else if (stage_ == Stage::preparing && !preparation_->running(progress_)) {
        const std::string why = preparation_->failure();
        preparation_.reset();
        if (why.empty()) {
            startReading(preparedPath_, true);
        } else {
            fail(why);
        }
    }
    return stage_;
}

void ModelLoader::finishReading() {
    const std::unique_ptr<Reading> reading = std::move(reading_);
    switch (reading->outcome) {
    case Reading::Outcome::body:
        body_.mesh = std::move(reading->mesh);
        body_.modelPath = modelPath_;
        body_.bodyPath = reading->bodyPath;
        body_.picturePath = reading->picturePath;
        stage_ = Stage::done;
        return;
    case Reading::Outcome::needsPreparation: {
        std::string problem;
        preparedPath_ = reading->preparedPath;
        preparation_ = launch_(tool_, modelPath_, preparedPath_, prepareOptions_, problem);
        if (!preparation_) {
            fail(problem);
            return;
        }
        stage_ = Stage::preparing;
        return;
    }
    case Reading::Outcome::failed:
        fail(reading->problem);
        return;
    }
}

void ModelLoader::fail(std::string why) {
    failure_ = std::move(why);
    stage_ = Stage::failed;
}

OpenedBody ModelLoader::takeBody() {
    stage_ = Stage::idle;
    return std::move(body_);
}

std::string ModelLoader::takeFailure() {
    stage_ = Stage::idle;
    return std::move(failure_);
}
