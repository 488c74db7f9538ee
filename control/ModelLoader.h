#pragma once

#include "control/Preparation.h"
#include "mpsystem/BodyMesh.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

/// A body read from a file that the user opened, ready to take the place of the one in the
/// scene.
struct OpenedBody {
    BodyMesh mesh;
    /// The file as the user named it: the model.
    std::string modelPath;
    /// The body file the mesh was read from: the model itself, or the body prepared from it.
    std::string bodyPath;
    /// The model's own picture, which the prepared body's texture coordinates fit; empty when
    /// it has none.
    std::string picturePath;
};

/// Opens the file a user chooses as the body, without holding up the window: a body file
/// (TOFF, or OFF braced with struts) is read on a thread of its own as key N reads it; any
/// other model is prepared into a body by plimmerton-prepare in a child process first, or
/// taken from the cache of prepared bodies when it was prepared before. Driven from the main
/// loop by poll(); nothing of the scene is touched here. Only regular files within the budget
/// of readModelFile are read, and the reading thread looks at a cancel flag all along, so that
/// giving it up stops and joins it within a fraction of a second.
class ModelLoader {
public:
    enum class Stage { idle, reading, preparing, done, failed };

    /// Starts a preparation; startPrepareTool outside of tests.
    using Launcher = std::function<std::unique_ptr<Preparation>(
        const std::string& tool, const std::string& model, const std::string& body,
        const std::vector<std::string>& options, std::string& problem)>;

    /// `tool` is the preparation tool whose bodies are cached; when empty, it is looked for
    /// beside the program, then on PATH, at every opening. `launch` starts it.
    explicit ModelLoader(Launcher launch = startPrepareTool, std::string tool = "");
    ~ModelLoader();
    ModelLoader(const ModelLoader&) = delete;
    ModelLoader& operator=(const ModelLoader&) = delete;

    /// Begins opening `path`, its points weighing `mass` (1.5 times below y = 0); an opening
    /// under way is given up first. With a `pressure` above 0 a model that needs preparing is
    /// prepared to be held by a gas of that pressure rather than by struts (a body of its own
    /// in the cache).
    void open(const std::string& path, float mass, float pressure = 0.0f);
    /// Gives up the opening under way: a preparation is ended, a reading stopped and its thread
    /// joined. Returns whether there was one.
    bool cancel();
    /// Takes the opening a step further, without waiting; returns the stage it is in.
    Stage poll();

    Stage stage() const { return stage_; }
    /// The file being opened, as the user named it.
    const std::string& modelPath() const { return modelPath_; }
    const PrepareProgress& progress() const { return progress_; }

    /// Once done: the body, after which the loader is idle.
    OpenedBody takeBody();
    /// Once failed: one line naming the file and what is wrong, after which the loader is idle.
    std::string takeFailure();

    /// One reading under way on its thread (ModelLoader.cpp).
    struct Reading;

private:
    void startReading(const std::string& bodyPath, bool mustBeBody);
    /// Stops the reading thread, if any, and waits for it.
    void stopReading();
    void finishReading();
    void fail(std::string why);

    Launcher launch_;
    std::string givenTool_;
    /// The tool of the opening under way.
    std::string tool_;
    Stage stage_ = Stage::idle;
    std::string modelPath_;
    float mass_ = 0;
    /// The preparation tool's options for the model being opened.
    std::vector<std::string> prepareOptions_;
    std::unique_ptr<Reading> reading_;
    std::thread reader_;
    std::unique_ptr<Preparation> preparation_;
    std::string preparedPath_;
    PrepareProgress progress_;
    OpenedBody body_;
    std::string failure_;
};
