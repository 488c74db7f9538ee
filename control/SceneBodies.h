#pragma once

#include "control/BodySource.h"
#include "mpsystem/BodyMesh.h"

#include <memory>
#include <string>
#include <vector>

class MpSystem;
class SoCamera;
class SoGroup;

/// The bodies of the scene: the first, mpSystem, which the application's globals hold, and the
/// ones after it, which this object owns, each with where it comes from (BodySource), and which
/// of them the keys, the mouse's grab and the tuning panel act on (the selected one).
///
/// Every body in place is in the collision world, in the order of this list, so that whatever
/// goes over all the bodies (the tick, the contacts, the idle update, the snapshots, the energy,
/// the watch over them) walks that list. The surfaces of the bodies after the first lie in a
/// group of their own just ahead of the first body's surface, which stays the last child of
/// worldSeparator; the group is there only while there are such bodies, so that a scene of one
/// body is the one it always was. With several bodies the selected one's surface is tinted,
/// in every draw style.
///
/// A body whose rebuild (key N) failed keeps its place in the list without a body, as the
/// first does (mpSystem null), and the next rebuild tries again. The points of -pin
/// (settings.pins) belong to the first body as the command line named it: N pins them again
/// until another body takes its place.
class SceneBodies {
public:
    SceneBodies();
    ~SceneBodies();
    SceneBodies(const SceneBodies&) = delete;
    SceneBodies& operator=(const SceneBodies&) = delete;

    /// The colour the selected body's surface takes with several bodies.
    static const float selectionTint[3];

    /// Takes in the first body as the start-up made it (mpSystem, in the scene and the contacts)
    /// and where it came from; the first body is selected.
    void adoptFirst(BodySource source);

    /// The bodies of the scene, the first among them, with those whose rebuild failed.
    int count() const { return static_cast<int>(entries_.size()); }
    /// How many of them are in place.
    int bodiesInPlace() const;
    /// Body k, 0 being the first; null while it is not in place (a rebuild failed).
    MpSystem* body(int k) const;
    const BodySource& source(int k) const { return entries_[k]->source; }
    /// The place of `body` in the list; -1 when it is none of the scene's.
    int indexOf(const MpSystem* body) const;

    int selected() const { return selected_; }
    /// The body the keys act on; null while it is not in place.
    MpSystem* selectedBody() const { return body(selected_); }
    /// Selects body k (held to the list).
    void select(int k);
    /// Selects the next body in place after the selected one, round to the first (key Tab).
    void selectNext();

    /// Adds a body read from `source.file` as `mesh`, of `source.material`, with `source.picture`
    /// on its surface and `camera` for its headcam, last in the list and the contacts: its
    /// centre at `source.centre` when `source.placed`, else clear above the bodies in place
    /// (balls/BodyPlacement.h), where it is then said to be placed. Returns why it could not be
    /// added (a place beyond the arena's reach), the scene unchanged; empty when it was.
    std::string add(BodyMesh mesh, BodySource source, SoCamera* camera);

    /// Puts a body read from `from.file` (named `from.name`, wearing `from.picture`) in the place
    /// of body k: the old one leaves the contacts and the scene and is destroyed; the new one is
    /// made of `material` (what the old one was made of now) and stands where the old one was
    /// put, the first where its file puts it. N makes it again of the material the place was
    /// made with. Returns why it could not go there (a larger body beyond the arena's reach),
    /// the old one in place; empty when it went.
    std::string replace(int k, BodyMesh mesh, const BodySource& from, const BodyMaterial& material,
                        SoCamera* camera);

    /// Takes body k out of the contacts and the scene and destroys it; the first taken out, the
    /// next takes its place as mpSystem. Returns why it stays, empty when it went: no body would
    /// be left in place.
    std::string remove(int k);

    /// Puts `bodies` (at least one; made, placed, of their materials, in no scene yet) with
    /// their `sources` in the place of every body of the scene, in order: the old ones leave the
    /// contacts and the scene and are destroyed, the first new one becomes mpSystem, each gets
    /// `camera` for its headcam, and the first is selected.
    void replaceAll(std::vector<BodySource> sources, std::vector<std::unique_ptr<MpSystem>> bodies,
                    SoCamera* camera);

    /// Key N: every body made again from its file (BodySource), the first as rebuildBody makes
    /// it, where it was put and of the material it was made of; each the camera's. Returns
    /// whether the first body is in place.
    bool rebuild(SoCamera* camera);

private:
    struct Entry {
        BodySource source;
        /// The bodies after the first; the first is mpSystem.
        std::unique_ptr<MpSystem> body;
    };

    /// Builds a body of `mesh` and `source` where it goes, with its surface; null, with `why`,
    /// when it cannot go there (then destroyed).
    std::unique_ptr<MpSystem> make(BodyMesh mesh, BodySource& source, SoCamera* camera,
                                   std::string& why) const;
    /// Body k (after the first) joins the scene: its surface in the group, itself k-th among
    /// the contacts' bodies in place.
    void install(int k);
    /// Body k (after the first) leaves the contacts and the scene; it is not destroyed.
    void takeOut(int k);
    /// The index among the contacts' bodies that body k takes: the bodies in place before it.
    int contactIndex(int k) const;
    /// Makes the group of the later bodies' surfaces while there are any, and takes it out of
    /// the scene when there are none.
    void keepGroup();
    /// settings.meshFileName and textureFileName name the first body's file and picture.
    void pointSettingsAtFirst();
    /// Tints the selected body's surface when there are several bodies; all white otherwise.
    void markSelection() const;

    std::vector<std::unique_ptr<Entry>> entries_;
    int selected_ = 0;
    /// The surfaces of the bodies after the first, held by this object as long as it lives.
    SoGroup* group_ = nullptr;
};
