#include "control/SceneBodies.h"

#include "appstate/Globals.h"
#include "balls/BodyPlacement.h"
#include "common/Check.h"
#include "common/ErrorLine.h"
#include "control/BodyFileRead.h"
#include "control/BodyRebuild.h"
#include "mpsystem/MpSystem.h"

#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <iostream>

namespace {

// The surface's material node: the one the surface was built with, white unless marked.
SoMaterial* surfaceMaterialOf(const MpSystem& body) {
    SoSeparator* surface = body.surfaceRoot();
    if (surface == nullptr) {
        return nullptr;
    }
    for (int child = 0; child < surface->getNumChildren(); ++child) {
        if (surface->getChild(child)->isOfType(SoMaterial::getClassTypeId())) {
            return static_cast<SoMaterial*>(surface->getChild(child));
        }
    }
    return nullptr;
}

// Whether the contacts know `body` now, and where.
int contactPlaceOf(const MpSystem* body) {
    const std::vector<MpSystem*>& bodies = collisionWorld.bodies();
    const auto found = std::find(bodies.begin(), bodies.end(), body);
    return found == bodies.end() ? -1 : static_cast<int>(found - bodies.begin());
}

} // namespace

// A warm gold: on the bodies' white and textured surfaces it shows in every draw style, the
// wireframe's lines (drawn in the material's colour) among them.
const float SceneBodies::selectionTint[3] = {1.0f, 0.72f, 0.25f};

SceneBodies::SceneBodies() {
    entries_.push_back(std::make_unique<Entry>());
}

SceneBodies::~SceneBodies() {
    for (const auto& entry : entries_) {
        if (entry->body) {
            collisionWorld.removeBody(entry->body.get());
        }
    }
    if (group_ != nullptr && worldSeparator != nullptr) {
        const int place = worldSeparator->findChild(group_);
        if (place >= 0) {
            worldSeparator->removeChild(place);
        }
    }
    // The surfaces stay alive in the group until their bodies are gone.
    entries_.clear();
    if (group_ != nullptr) {
        group_->unref();
    }
}

void SceneBodies::adoptFirst(BodySource source) {
    entries_.front()->source = std::move(source);
    selected_ = 0;
    pointSettingsAtFirst();
}

int SceneBodies::bodiesInPlace() const {
    int inPlace = 0;
    for (int k = 0; k < count(); ++k) {
        inPlace += body(k) != nullptr ? 1 : 0;
    }
    return inPlace;
}

MpSystem* SceneBodies::body(int k) const {
    if (k < 0 || k >= count()) {
        return nullptr;
    }
    if (k == 0) {
        return mpSystemReady ? mpSystem : nullptr;
    }
    return entries_[k]->body.get();
}

int SceneBodies::indexOf(const MpSystem* wanted) const {
    for (int k = 0; k < count(); ++k) {
        if (wanted != nullptr && body(k) == wanted) {
            return k;
        }
    }
    return -1;
}

void SceneBodies::select(int k) {
    selected_ = std::clamp(k, 0, count() - 1);
    markSelection();
}

void SceneBodies::selectNext() {
    for (int step = 1; step <= count(); ++step) {
        const int k = (selected_ + step) % count();
        if (body(k) != nullptr) {
            select(k);
            return;
        }
    }
}

std::unique_ptr<MpSystem> SceneBodies::make(BodyMesh mesh, BodySource& source, SoCamera* camera,
                                            std::string& why) const {
    const BodyMaterial& material = source.material;
    auto made = std::make_unique<MpSystem>(std::move(mesh), material.damping, material.stiffness);
    giveMaterial(*made, material);
    turnAsMade(*made, source);
    SbVec3f moved(0, 0, 0);
    why = source.byOffset
              ? placeBodyBy(*made, source.offset, collisionWorld)
              : placeBody(*made, source.placed ? &source.centre : nullptr, collisionWorld, &moved);
    if (!why.empty()) {
        return nullptr;
    }
    if (!source.byOffset) {
        source.offset = moved;
    }
    if (!source.placed) {
        source.placed = true;
        source.centre = centreOf(made->positions(), made->numPoints());
    }
    const int32_t beyond = pinAsMade(*made, source);
    if (beyond >= 0) {
        freshErrorLine() << source.name << ": point " << beyond << " is not one of the body's "
                         << made->numPoints() << " points, to be pinned" << std::endl;
    }
    made->setCamera(camera);
    return made;
}

int SceneBodies::contactIndex(int k) const {
    for (int before = k - 1; before >= 0; --before) {
        const MpSystem* earlier = before == 0 ? mpSystem : entries_[before]->body.get();
        const int place = earlier != nullptr ? contactPlaceOf(earlier) : -1;
        if (place >= 0) {
            return place + 1;
        }
    }
    return 0;
}

void SceneBodies::install(int k) {
    MpSystem& body = *entries_[k]->body;
    keepGroup();
    int groupIndex = 0;
    for (int before = 1; before < k; ++before) {
        groupIndex += entries_[before]->body ? 1 : 0;
    }
    group_->insertChild(body.buildSurface(1, 1, 1, 0, entries_[k]->source.picture.c_str()),
                        groupIndex);
    collisionWorld.insertBody(contactIndex(k), &body);
}

void SceneBodies::takeOut(int k) {
    MpSystem* body = entries_[k]->body.get();
    if (body == nullptr) {
        return;
    }
    collisionWorld.removeBody(body);
    if (group_ != nullptr && body->surfaceRoot() != nullptr) {
        const int place = group_->findChild(body->surfaceRoot());
        if (place >= 0) {
            group_->removeChild(place);
        }
    }
}

void SceneBodies::keepGroup() {
    bool later = false;
    for (int k = 1; k < count(); ++k) {
        later = later || entries_[k]->body != nullptr;
    }
    if (group_ == nullptr) {
        group_ = new SoGroup;
        group_->ref();
    }
    const int place = worldSeparator->findChild(group_);
    if (!later && place >= 0) {
        worldSeparator->removeChild(place);
    } else if (later && place < 0) {
        const int first =
            mpSystem != nullptr ? worldSeparator->findChild(mpSystem->surfaceRoot()) : -1;
        worldSeparator->insertChild(group_, first >= 0 ? first : worldSeparator->getNumChildren());
    }
}

void SceneBodies::pointSettingsAtFirst() {
    settings.meshFileName = entries_.front()->source.file.c_str();
    settings.textureFileName = entries_.front()->source.picture.c_str();
}

void SceneBodies::markSelection() const {
    const bool several = bodiesInPlace() > 1;
    for (int k = 0; k < count(); ++k) {
        const MpSystem* shown = body(k);
        SoMaterial* material = shown != nullptr ? surfaceMaterialOf(*shown) : nullptr;
        if (material == nullptr) {
            continue;
        }
        if (several && k == selected_) {
            material->diffuseColor.setValue(selectionTint);
        } else {
            material->diffuseColor.setValue(1, 1, 1);
        }
    }
}

std::string SceneBodies::add(BodyMesh mesh, BodySource source, SoCamera* camera) {
    std::string why;
    std::unique_ptr<MpSystem> made = make(std::move(mesh), source, camera, why);
    if (!made) {
        return why;
    }
    entries_.push_back(std::make_unique<Entry>());
    entries_.back()->source = std::move(source);
    entries_.back()->body = std::move(made);
    install(count() - 1);
    markSelection();
    return "";
}

std::string SceneBodies::replace(int k, BodyMesh mesh, const BodySource& from,
                                 const BodyMaterial& material, SoCamera* camera) {
    Entry& entry = *entries_[k];
    if (k == 0) {
        entry.source.file = from.file;
        entry.source.name = from.name;
        entry.source.picture = from.picture;
        forgetPose(entry.source);
        pointSettingsAtFirst();
        // The points of -pin belong to the body the command line named.
        settings.pins.clear();
        MpSystem* made = new MpSystem(std::move(mesh), material.damping, material.stiffness);
        giveMaterial(*made, material);
        replaceBody(made, camera);
        markSelection();
        return "";
    }
    // Made where the old one was put before the old one goes, so that one that cannot go there
    // leaves the scene as it was.
    // A body of another file stands where the old one's centre was put, turned as its file is.
    BodySource placedAs = entry.source;
    placedAs.material = material;
    forgetPose(placedAs);
    std::string why;
    std::unique_ptr<MpSystem> made = make(std::move(mesh), placedAs, camera, why);
    if (!made) {
        return why;
    }
    takeOut(k);
    entry.body = std::move(made);
    const BodyMaterial madeWith = entry.source.material;
    entry.source = placedAs;
    entry.source.material = madeWith;
    entry.source.file = from.file;
    entry.source.name = from.name;
    entry.source.picture = from.picture;
    install(k);
    markSelection();
    return "";
}

std::string SceneBodies::remove(int k) {
    if (k < 0 || k >= count()) {
        return "";
    }
    if (bodiesInPlace() - (body(k) != nullptr ? 1 : 0) == 0) {
        return "the last body stays: a scene keeps one";
    }
    if (k == 0) {
        destroyBody();
        settings.pins.clear();
        // The next one keeps its place among the contacts, which is now the first.
        Entry& next = *entries_[1];
        if (next.body) {
            SoSeparator* surface = next.body->surfaceRoot();
            surface->ref();
            group_->removeChild(surface);
            mpSystem = next.body.release();
            worldSeparator->addChild(surface);
            surface->unref();
            mpSystemReady = true;
        }
        entries_[0]->source = std::move(next.source);
        entries_.erase(entries_.begin() + 1);
        pointSettingsAtFirst();
    } else {
        takeOut(k);
        entries_.erase(entries_.begin() + k);
    }
    if (selected_ > k || selected_ >= count()) {
        --selected_;
    }
    if (body(selected_) == nullptr) {
        selectNext();
    }
    keepGroup();
    markSelection();
    return "";
}

bool SceneBodies::rebuild(SoCamera* camera) {
    // The later bodies go first, so that the first goes back first among the contacts.
    for (int k = count() - 1; k >= 1; --k) {
        takeOut(k);
        entries_[k]->body.reset();
    }
    const bool firstInPlace = rebuildBody(camera, entries_.front()->source);
    for (int k = 1; k < count(); ++k) {
        BodySource& source = entries_[k]->source;
        BodyMesh mesh;
        std::string why;
        if (!readBodyFile(source.file, source.material.pointMass, mesh, why)) {
            freshErrorLine() << why << std::endl;
            continue;
        }
        entries_[k]->body = make(std::move(mesh), source, camera, why);
        if (entries_[k]->body) {
            install(k);
            const std::string gas = pressureRefusal(*entries_[k]->body, source.material);
            if (!gas.empty()) {
                freshErrorLine() << source.name << ": " << gas << std::endl;
            }
        } else {
            freshErrorLine() << source.name << ": " << why << std::endl;
        }
    }
    keepGroup();
    markSelection();
    return firstInPlace;
}

void SceneBodies::replaceAll(std::vector<BodySource> sources,
                             std::vector<std::unique_ptr<MpSystem>> bodies, SoCamera* camera) {
    PLIMMERTON_CHECK(!bodies.empty() && sources.size() == bodies.size(),
                     "a scene has at least one body, each with its source");
    for (int k = count() - 1; k >= 1; --k) {
        takeOut(k);
    }
    entries_.resize(1);
    entries_.front()->source = std::move(sources.front());
    pointSettingsAtFirst();
    // The points of -pin belong to the body the command line named; a scene's are its own.
    settings.pins.clear();
    replaceBody(bodies.front().release(), camera);
    for (size_t k = 1; k < bodies.size(); ++k) {
        entries_.push_back(std::make_unique<Entry>());
        entries_.back()->source = std::move(sources[k]);
        entries_.back()->body = std::move(bodies[k]);
        entries_.back()->body->setCamera(camera);
        install(count() - 1);
    }
    selected_ = 0;
    keepGroup();
    markSelection();
}
