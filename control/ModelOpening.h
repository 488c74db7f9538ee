#pragma once

#include "control/ModelLoader.h"

#include <string>
#include <vector>

class ProgramState;
class SoTimerSensor;

/// The opening of models from the window (the file dialog, a file dropped on the view): the
/// loader that reads or prepares them, the timer that follows it on the main loop, and the
/// files the body named on the command line comes from when it was prepared at start.
class ModelOpening {
public:
    explicit ModelOpening(ModelLoader::Launcher launch = startPrepareTool, std::string tool = "");
    ~ModelOpening();
    ModelOpening(const ModelOpening&) = delete;
    ModelOpening& operator=(const ModelOpening&) = delete;

    ModelLoader loader;
    /// The folder of the last file opened, where the file dialog starts.
    std::string lastFolder;
    /// The opening under way adds a body to the scene (Shift) rather than putting it in the
    /// place of the selected one.
    bool adding = false;
    /// What settings.meshFileName and settings.textureFileName point at when a model named on
    /// the command line was prepared at start, until the scene takes them over
    /// (SceneBodies::adoptFirst).
    std::string bodyFile;
    std::string picture;
    /// The follower: runs while an opening is under way or a notice is shown.
    SoTimerSensor* sensor = nullptr;
};

/// Seconds a notice stays over the view.
constexpr double noticeSeconds = 6;

/// The file dialog's filters, each "Name (*.ext *.ext ...)": first every file the program opens
/// (scene files, bodies and every model the preparation reads), then the scenes, the bodies,
/// the models, all files.
std::vector<std::string> modelFileFilters();

/// The folder of the file, ending in '/' ("." for a file without one): where the file dialog
/// starts next.
std::string folderOf(const std::string& path);

/// The file's name without its folder.
std::string fileNameOf(const std::string& path);

/// Shows `text` over the view for noticeSeconds from `now`, and writes it on standard error
/// unless it is said elsewhere (`onStandardError` false: a key's answer on standard output).
void showNotice(ProgramState& state, const std::string& text, double now,
                bool onStandardError = true);

/// Begins opening the model at `path` (ModelLoader): to add it to the scene as a body of its
/// own (`adding`, Shift with the drop or Ctrl+O), else to put it in the place of the selected
/// body, which stays until the new one has been read.
void openModel(ProgramState& state, const std::string& path, bool adding = false);

/// Gives up the opening under way at once (key Esc): the reading stops, the preparation ends,
/// the body stays, and a notice says so. Returns whether there was one.
bool cancelOpening(ProgramState& state);

/// Takes the opening a step further on the main loop. A body read replaces the selected one,
/// keeping its stiffness, damping and point mass, the balls, the arena, the camera and whether
/// the animation runs; or, added, joins the scene clear above the bodies there, of the
/// selected one's material, and is selected. N then reads it again. A file that cannot be used
/// leaves the scene as it is and shows one line that names it and says why, over the view for
/// a while and on standard error. Returns whether anything shown changed.
bool followOpening(ProgramState& state, double now);

/// The lines over the view for the opening under way ("preparing cow.obj" with its progress;
/// "adding cow.obj" while it is read to be added) or the notice, while it lasts at `now`.
std::vector<std::string> openingLines(const ProgramState& state, double now);
