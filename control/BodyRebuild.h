#pragma once

#include <Inventor/SbVec3f.h>

struct BodySource;
class MpSystem;
class SoCamera;

/// The first body, mpSystem: the one the program starts with, whose surface is the last child of
/// worldSeparator and which is first in the collision world.

/// Replaces the first body with a new one read again from settings.meshFileName, made of the
/// material of `source` (the command line's, unless the body took the place of another) and
/// pinned at the points of -pin that it has (settings.pins) and at the source's pins, its surface
/// appended as the last child of worldSeparator and put first in the collision world. The old
/// body leaves the collision world and the scene before it is destroyed. It stands as the source
/// says: turned by its turn, then moved by its offset (a body of a scene file), or with its
/// centre (the mean of its points) at the source's centre (`placed`, as a body that took the
/// first one's place was put), or where its file puts it; the move goes into `source.offset`.
/// When the file cannot be opened or is malformed, the program goes on without it: mpSystem is
/// null, mpSystemReady false, and a later rebuild tries again. Returns whether a body is in
/// place.
bool rebuildBody(SoCamera* camera, BodySource& source);

/// Puts `body`, which the application owns from here on, in place of the first body (or in the
/// place of none): the old one leaves the collision world and the scene and is destroyed; the
/// new one gets `camera`, its surface with settings.textureFileName as the last child of
/// worldSeparator and the first place in the collision world.
void replaceBody(MpSystem* body, SoCamera* camera);

/// Takes the first body out of the collision world and the scene and destroys it; nothing when
/// there is none. mpSystem is null and mpSystemReady false after it.
void destroyBody();
