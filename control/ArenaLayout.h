#pragma once

class SoSeparator;

/// The arena of the window and of the headless runs, the cloud-textured ground and the pillars,
/// laid out from a seed: a scene saved with its seed shows and moves as it did.

/// The ground sheet with its clouds from `seed`: a little above the floor wall (at y = -14.4),
/// reaching a tenth past the floor's half width of 15.
SoSeparator* buildArenaGround(unsigned seed);

/// Lays the arena of worldSeparator and collisionWorld out anew from `seed`: a new ground just
/// ahead of the cannon's root, and new pillars just after it, wearing the pillar picture, take
/// the places of those there; the collision world's pillars are the new ones.
void layOutArenaAgain(unsigned seed);
