#include "control/TuningPanel.h"

#include "appstate/Globals.h"
#include "balls/ContactTimeStep.h"
#include "control/SceneBodies.h"
#include "mpsystem/MpSystem.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

const TunableRange& tunableRange(Tunable value) {
    static const TunableRange ranges[] = {
        {"stiffness", 5.0f, 2000.0f, true}, {"damping", 0.0f, 0.5f, false},
        {"time step", 0.001f, 0.05f, true}, {"point mass", 0.05f, 5.0f, true},
        {"pressure", 0.0f, 300.0f, false},
    };
    return ranges[static_cast<int>(value)];
}

const std::vector<MaterialPreset>& materialPresets() {
    static const std::vector<MaterialPreset> presets = {
        {"jelly", 40.0f, 0.02f, 0.3f, false},
        {"rubber", 85.0f, 0.04f, 0.3f, false},
        {"firm", 180.0f, 0.06f, 0.5f, false},
        {"balloon", 120.0f, 0.04f, 0.1f, true},
    };
    return presets;
}

MpSystem* TuningPanel::body() const {
    return bodies_.selectedBody();
}

float TuningPanel::value(Tunable which) const {
    const MpSystem* body = this->body();
    switch (which) {
    case Tunable::stiffness:
        return body != nullptr ? body->stiffness() : 0.0f;
    case Tunable::damping:
        return body != nullptr ? body->damping() : 0.0f;
    case Tunable::timeStep:
        return settings.timeStep;
    case Tunable::mass:
        return body != nullptr ? body->pointMass() : 0.0f;
    case Tunable::pressure:
        return body != nullptr ? body->pressure() : 0.0f;
    }
    return 0.0f;
}

void TuningPanel::setValue(Tunable which, float value) {
    if (std::isnan(value)) {
        return;
    }
    const TunableRange& range = tunableRange(which);
    value = std::clamp(value, range.least, range.most);
    MpSystem* body = this->body();
    switch (which) {
    case Tunable::stiffness:
        if (body != nullptr) {
            body->setStiffness(value);
        }
        break;
    case Tunable::damping:
        if (body != nullptr) {
            body->setDamping(value);
        }
        break;
    case Tunable::timeStep:
        settings.timeStep = value;
        break;
    case Tunable::mass:
        if (body != nullptr) {
            body->setPointMass(value);
        }
        break;
    case Tunable::pressure:
        if (body != nullptr && !body->setPressure(value)) {
            refusal_ = body->pressureRefusal();
        }
        break;
    }
}

std::string TuningPanel::typeValue(Tunable which, float value) {
    setValue(which, value);
    const TunableRange& range = tunableRange(which);
    if (std::isnan(value) || (value >= range.least && value <= range.most)) {
        return "";
    }
    std::ostringstream line;
    line << range.label << " " << value << " is beyond its range of " << range.least << " to "
         << range.most << ": set to " << std::clamp(value, range.least, range.most);
    return line.str();
}

std::string TuningPanel::takeRefusal() {
    std::string taken;
    taken.swap(refusal_);
    return taken;
}

void TuningPanel::applyPreset(const MaterialPreset& preset) {
    setValue(Tunable::stiffness, preset.stiffness);
    setValue(Tunable::damping, preset.damping);
    setValue(Tunable::mass, preset.mass);
    MpSystem* body = this->body();
    if (preset.inflated && body != nullptr) {
        setValue(Tunable::pressure, body->holdingPressure());
    }
}

int TuningPanel::currentPreset() const {
    if (body() == nullptr) {
        return -1;
    }
    const std::vector<MaterialPreset>& presets = materialPresets();
    for (size_t k = 0; k < presets.size(); ++k) {
        if (value(Tunable::stiffness) == presets[k].stiffness &&
            value(Tunable::damping) == presets[k].damping &&
            value(Tunable::mass) == presets[k].mass) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

// The values go back as they were, even outside the panel's ranges.
void TuningPanel::reset() {
    settings.timeStep = commandLineTimeStep_;
    if (MpSystem* body = this->body()) {
        if (!giveMaterial(*body, bodies_.source(bodies_.selected()).material)) {
            refusal_ = body->pressureRefusal();
        }
    }
}

const std::vector<const StableTimeStep*>& TuningPanel::measured() const {
    const std::vector<MpSystem*>& bodies = collisionWorld.bodies();
    const auto same = [&bodies](const std::vector<Measured>& measured) {
        if (measured.size() != bodies.size()) {
            return false;
        }
        for (size_t k = 0; k < bodies.size(); ++k) {
            if (measured[k].serial != bodies[k]->serial()) {
                return false;
            }
        }
        return true;
    };
    // Bodies that come or go, or change places, keep what was measured of them.
    if (!same(measured_)) {
        std::vector<Measured> kept(bodies.size());
        for (size_t k = 0; k < bodies.size(); ++k) {
            for (Measured& before : measured_) {
                if (before.serial == bodies[k]->serial()) {
                    kept[k] = before;
                }
            }
        }
        measured_ = std::move(kept);
        bounds_.resize(bodies.size());
    }
    for (size_t k = 0; k < bodies.size(); ++k) {
        const MpSystem& body = *bodies[k];
        Measured& measured = measured_[k];
        // A body read with mass 0 had no point that moved; it is measured again once it has
        // mass.
        if (body.serial() != measured.serial ||
            (!measured.bound.hasMovingPoints() && body.pointMass() > 0.0f)) {
            measured.bound = StableTimeStep(body);
            measured.serial = body.serial();
        }
        bounds_[k] = &measured.bound;
    }
    return bounds_;
}

float TuningPanel::stableTimeStep() const {
    return sceneTimeStep(measured(), collisionWorld);
}

bool TuningPanel::beyondStableTimeStep() const {
    return settings.timeStep > stableTimeStep();
}
