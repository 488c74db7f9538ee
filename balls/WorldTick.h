#pragma once

class BallLightSet;
class BallSet;
class CollisionWorld;
class MpSystem;
class SoGroup;

/// Everything one tick moves: the body (null while there is none, as after a failed rebuild),
/// the live balls with their companion lights in the group that holds them, and the contacts
/// among them and the arena.
struct TickWorld {
    MpSystem* body;
    BallSet& balls;
    BallLightSet& lights;
    SoGroup& ballGroup;
    CollisionWorld& contacts;
};

/// One physics tick of dt seconds: steps the body, steps the balls and drops the fallen ones,
/// then gathers the contact forces of the positions just reached, which the next tick's steps
/// consume. The window's timer runs it, and so does the headless runner.
void runTick(const TickWorld& world, float dt);
