#pragma once

#include "common/BodyAdditions.h"
#include "control/ModelLoader.h"

#include <string>
#include <vector>

class ProgramState;

/// A model named on the command line, made a body before the scene is built.
struct StartModel {
    /// The body file to read: the one prepared before, from the cache, or the one made now.
    std::string bodyPath;
    /// The model's own picture, which the body's texture coordinates fit; empty when it has
    /// none.
    std::string picturePath;
};

/// Makes a body of `model` as the window's opening does: the body prepared before with the
/// same tool `options` (pressureOptions) is taken from the cache of prepared bodies, else
/// plimmerton-prepare (`tool`; looked for beside the program, then on PATH, when empty)
/// prepares it with them while its progress shows on standard error as the window shows it,
/// "preparing cow.obj [#####...............]  25%  reading": on a `terminal` one line redrawn
/// in place, elsewhere a line at each new stage. A model over the window's budget
/// (control/ModelFileRead.h) is refused before it is read. Returns false, with one line on
/// standard error naming the model and why, when no body can be made of it.
bool prepareModelAtStart(const std::string& model, const std::vector<std::string>& options,
                         bool terminal, StartModel& body,
                         const ModelLoader::Launcher& launch = startPrepareTool,
                         const std::string& tool = "");

/// Makes a body of the model that settings.meshFileName names (prepareModelAtStart) and points
/// settings.meshFileName at it, with meshStream reopened, so that the start-up reads it as any
/// body file and key N reads it again. With -pressure above 0 the model is prepared to be held
/// by that gas rather than by struts, as the window prepares a model while the body holds one.
/// A picture the model brought becomes settings' textureFileName unless the command line gave
/// one (`textureGiven`). The status names the model, and bodies opened later without a picture
/// of their own wear the command line's. False, with the reason said on standard error, when no
/// body can be made of the model. `launch` and `tool` as prepareModelAtStart takes them.
bool takeModelAtStart(ProgramState& state, bool textureGiven, bool terminal,
                      const ModelLoader::Launcher& launch = startPrepareTool,
                      const std::string& tool = "");

/// Adds the bodies that -add names to the assembled scene, in order, each with its centre where -at
/// puts it or else clear above the bodies before it, of the command line's material (the pressure
/// of its file, when it asks for one, else of -pressure; one its surface cannot hold is said on
/// standard error, and the body goes on without it), wearing its model's own picture or else the
/// command line's: a body file is read as it is, a model of another form prepared first as
/// prepareModelAtStart prepares one. A file that cannot be used, or put where it is asked to go, is
/// refused with one line on standard error that names it and says why, and the scene stays as it
/// was; the others are added still. Returns how many were refused. `launch` and `tool` as
/// prepareModelAtStart takes them.
int addBodiesAtStart(ProgramState& state, const std::vector<BodyAddition>& additions, bool terminal,
                     const ModelLoader::Launcher& launch = startPrepareTool,
                     const std::string& tool = "");
