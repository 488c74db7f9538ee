#include "control/ModelLoader.h"

#include "common/ErrorLine.h"
#include "common/PreparedBodies.h"
#include "mpsystem/MeshKind.h"
#include "mpsystem/MeshReader.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

/// One reading on its own thread. The thread holds it as long as it runs, so a reading that is
/// given up finishes into a record nobody looks at any more.
struct ModelLoader::Reading {
    enum class Outcome { body, needsPreparation, failed };

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
bool readBytes(const std::string& path, std::string& bytes, std::string& problem) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        problem = path + ": is a folder, not a model file";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        problem = path + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) {
        problem = path + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    bytes = content.str();
    return true;
}

void readBody(Reading& reading, const std::string& bytes, const std::string& path, float mass) {
    // The reader's progress starts on a line of its own, after whatever came before it.
    freshErrorLine();
    std::istringstream in(bytes);
    MeshReader reader(in, path.c_str());
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

// A model is prepared once: the body made of it before, for the same model bytes and the same
// tool, is taken from the cache.
void findPrepared(Reading& reading, const std::string& path, const std::string& tool, float mass) {
    if (tool.empty()) {
        reading.problem = path + ": is no body file, and plimmerton-prepare, which makes bodies "
                                 "of models, is neither beside the program nor on PATH";
        return;
    }
    const PreparedBodyKey key = preparedBodyKey(path, {}, tool);
    if (key.key.empty()) {
        reading.problem = key.problem;
        return;
    }
    const std::string folder = preparedCacheFolder();
    const std::string prepared = preparedBodyPath(folder, key.key);
    std::error_code error;
    if (std::filesystem::is_regular_file(prepared, error)) {
        std::string bytes;
        if (readBytes(prepared, bytes, reading.problem)) {
            readBody(reading, bytes, prepared, mass);
            reading.picturePath = findBodyPicture(prepared);
        }
        return;
    }
    std::filesystem::create_directories(folder, error);
    if (error) {
        reading.problem = path + ": cannot keep its body in " + folder + ": " + error.message();
        return;
    }
    reading.preparedPath = prepared;
    reading.outcome = Reading::Outcome::needsPreparation;
}

void readOrFind(Reading& reading, const std::string& path, bool mustBeBody, const std::string& tool,
                float mass) {
    std::string bytes;
    if (!readBytes(path, bytes, reading.problem)) {
        return;
    }
    std::istringstream in(bytes);
    if (meshKindOf(in) == MeshKind::body) {
        readBody(reading, bytes, path, mass);
        if (mustBeBody) {
            reading.picturePath = findBodyPicture(path);
        }
    } else if (mustBeBody) {
        reading.problem = path + ": the prepared body is not a body file";
    } else {
        findPrepared(reading, path, tool, mass);
    }
}

} // namespace

ModelLoader::ModelLoader(Launcher launch, std::string tool)
    : launch_(std::move(launch)), tool_(tool.empty() ? findPrepareTool() : std::move(tool)) {}

ModelLoader::~ModelLoader() {
    cancel();
}

void ModelLoader::open(const std::string& path, float mass) {
    cancel();
    modelPath_ = path;
    mass_ = mass;
    progress_ = PrepareProgress{};
    startReading(path, false);
}

void ModelLoader::startReading(const std::string& bodyPath, bool mustBeBody) {
    reading_ = std::make_shared<Reading>();
    stage_ = Stage::reading;
    std::thread([reading = reading_, bodyPath, mustBeBody, tool = tool_, mass = mass_] {
        readOrFind(*reading, bodyPath, mustBeBody, tool, mass);
        reading->finished = true;
    }).detach();
}

bool ModelLoader::cancel() {
    const bool underWay = stage_ == Stage::reading || stage_ == Stage::preparing;
    if (preparation_) {
        preparation_->cancel();
        preparation_.reset();
    }
    reading_.reset();
    if (underWay) {
        stage_ = Stage::idle;
    }
    return underWay;
}

ModelLoader::Stage ModelLoader::poll() {
    if (stage_ == Stage::reading && reading_->finished) {
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
    const std::shared_ptr<Reading> reading = std::move(reading_);
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
        preparation_ = launch_(tool_, modelPath_, preparedPath_, problem);
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
