#pragma once

class BallLightSet;
class BallSet;
class CollisionWorld;
class MpSystem;
class SoGroup;

/// Everything one tick moves: the bodies in the contacts (all but `paused`, a body that is
/// being replaced and stays as it is, as the first body while it is not ready), the live balls
/// with their companion lights in the group that holds them, and the contacts among them and
/// the arena.
struct TickWorld {
    BallSet& balls;
    BallLightSet& lights;
    SoGroup& ballGroup;
    CollisionWorld& contacts;
    const MpSystem* paused = nullptr;
};

/// One physics tick of dt seconds: steps every body of the contacts in their order, steps the
/// balls and drops the fallen ones, then gathers the contact forces of the positions just
/// reached, which the next tick's steps consume. The window's timer runs it, and so does the
/// headless runner.
void runTick(const TickWorld& world, float dt);
