#pragma once

class MpSystem;
class SoCamera;

/// Replaces the body with a new one read again from settings.meshFileName, with the
/// command-line damping, mass, stiffness, pressure and pins, its surface appended as the last child
/// of worldSeparator and registered with the collision world alone. The old body leaves the
/// collision world and the scene before it is destroyed. When the file cannot be opened or is
/// malformed, the program goes on without a body: mpSystem is null, mpSystemReady false, and a
/// later rebuild tries again. Returns whether a body is in place.
bool rebuildBody(SoCamera* camera);

/// Puts `body`, which the application owns from here on, in place of the body in the scene
/// (or in the place of none): the old one leaves the collision world and the scene and is
/// destroyed; the new one gets `camera`, its surface with settings.textureFileName as the last
/// child of worldSeparator and its place in the collision world.
void replaceBody(MpSystem* body, SoCamera* camera);
