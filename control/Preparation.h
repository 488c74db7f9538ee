#pragma once

#include "common/PreparedBodies.h"

#include <memory>
#include <string>
#include <vector>

/// How far a preparation has come, as the tool reports it.
struct PrepareProgress {
    /// 0 to 100.
    int percent = 0;
    /// The name of the stage the tool is in ("bracing", ...); empty before the first report.
    std::string stage;
};

/// A model being prepared into a body by plimmerton-prepare in a process of its own, so that a
/// model that crashes or hangs the import library cannot take the program with it, and the
/// window keeps drawing and ticking meanwhile.
class Preparation {
public:
    virtual ~Preparation() = default;
    /// Takes up what the tool reported since the last call into `progress`, without waiting.
    /// Returns true while the tool runs.
    virtual bool running(PrepareProgress& progress) = 0;
    /// Ends the tool at once; the body it was writing is never finished.
    virtual void cancel() = 0;
    /// Once the tool has ended: empty when it wrote the body, else one line that names the
    /// model and says why not.
    virtual std::string failure() const = 0;
};

/// Where the body that `tool` makes of `model` is kept in the cache of prepared bodies
/// (common/PreparedBodies.h), which the window's openings, the start-up and
/// scripts/prepare-cached.sh share.
struct PreparedPlace {
    /// KEY.toff in the cache folder; empty when `problem` is set.
    std::string bodyPath;
    /// The body lies there already, prepared before.
    bool prepared = false;
    /// One line naming the model and why it cannot be prepared (no tool, a model that cannot
    /// be read, a cache folder that cannot be made); empty otherwise.
    std::string problem;
};

/// The line said for `model` when no preparation tool was found.
std::string noPrepareTool(const std::string& model);

/// The place of the body of `model` under `key` (its problem when the key could not be made);
/// the cache folder is made when the body is not there yet.
PreparedPlace placePreparedBody(const std::string& model, const PreparedBodyKey& key);

/// The progress as the window shows it under "preparing NAME": a bar of twenty, the percent
/// and the stage ("[#####...............]  25%  reading").
std::string progressBar(const PrepareProgress& progress);

/// The tool's options for a body held by a gas of `pressure` rather than by struts
/// ("--pressure", "20"); none for a pressure of 0 or less.
std::vector<std::string> pressureOptions(float pressure);

/// Starts plimmerton-prepare (`tool`) on `model`, to write the body to `body`, with the tool's
/// `options` ("--pressure", "20"). Returns null, with one line in `problem`, when the tool cannot
/// be started.
std::unique_ptr<Preparation> startPrepareTool(const std::string& tool, const std::string& model,
                                              const std::string& body,
                                              const std::vector<std::string>& options,
                                              std::string& problem);
