#pragma once

#include "mpsystem/StableTimeStep.h"

class MpSystem;
class SceneBodies;

#include <cstdint>
#include <string>
#include <vector>

/// The values the tuning panel sets.
enum class Tunable { stiffness, damping, timeStep, mass, pressure };

/// What the panel lets a value range over: wider than the levels of keys 1, 2 and 3. A
/// logarithmic range spreads its slider evenly over each factor of ten.
struct TunableRange {
    const char* label;
    float least;
    float most;
    bool logarithmic;
};

const TunableRange& tunableRange(Tunable value);

/// A named material: stiffness, damping and point mass together, each chosen by measurement to
/// hold the bundled ball and prepared models in the arena at every time-step level of key 2.
/// An inflated one also fills a closed surface with the gas that holds it up by the rule of
/// thumb (MpSystem::holdingPressure, at the material's point mass); the others leave the
/// pressure as it is.
struct MaterialPreset {
    const char* name;
    float stiffness;
    float damping;
    float mass;
    bool inflated;
};

const std::vector<MaterialPreset>& materialPresets();

/// The model of the tuning panel, without the window: the values it shows and sets, the
/// materials, the way back to the command line and the stable time step. The values live where
/// the program keeps them (stiffness, damping and point mass in the selected body, the time
/// step, the scene's, in settings), so keys 1, 2, 3 and N move the panel with them and a value
/// set here reaches the next tick. While the selected body is not in place (its rebuild
/// failed), only the time step can be set.
class TuningPanel {
public:
    /// The panel of the bodies of `bodies`.
    explicit TuningPanel(const SceneBodies& bodies) : bodies_(bodies) {}

    /// The panel is shown (key F2 switches it).
    bool shown = false;

    /// The time step the command line gave, which key 2 and the panel change: Reset returns to
    /// it. The other command-line values stay in settings.
    void rememberCommandLine(float timeStep) { commandLineTimeStep_ = timeStep; }

    /// The value as the program has it now; 0 for a body's value while there is no body.
    float value(Tunable which) const;
    /// Sets the value, held to its range; a value that is not a number is ignored. A pressure
    /// that the body's surface cannot hold is refused (takeRefusal).
    void setValue(Tunable which, float value);
    /// A value typed into the panel, set as setValue sets it. Returns the line that says so when
    /// it lay outside its range and was held to it ("stiffness 99999 is beyond its range of 5
    /// to 2000: set to 2000"), else empty text.
    std::string typeValue(Tunable which, float value);
    /// The word for the last pressure the body refused, once; empty when none was.
    std::string takeRefusal();
    void applyPreset(const MaterialPreset& preset);
    /// The material whose stiffness, damping and point mass the selected body has now, as an
    /// index of materialPresets(); -1 when it has no material's values or there is no body.
    int currentPreset() const;
    /// The time step of the command line, and the stiffness, damping, point mass and pressure
    /// the selected body was made with (the command line's for the first, its pressure that of
    /// -pressure, else of its file).
    void reset();

    /// The largest stable time step of the bodies as they are, among the floor, the pillars and
    /// one another (see balls/ContactTimeStep.h); infinity when nothing limits it or there is
    /// no body. Each body is measured once, when first asked after it was built.
    float stableTimeStep() const;
    /// The time step lies beyond the stable one.
    bool beyondStableTimeStep() const;

private:
    /// The body the values are those of: the selected one, if it is in place.
    MpSystem* body() const;
    /// The bounds of the bodies in play (the collision world's), each measured anew when it
    /// is another body.
    const std::vector<const StableTimeStep*>& measured() const;

    const SceneBodies& bodies_;
    float commandLineTimeStep_ = 0;
    std::string refusal_;
    struct Measured {
        uint64_t serial = 0;
        StableTimeStep bound;
    };
    mutable std::vector<Measured> measured_;
    mutable std::vector<const StableTimeStep*> bounds_;
};
