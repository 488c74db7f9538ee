#pragma once

#include <Inventor/SbColor.h>
#include <Inventor/SbVec3f.h>

#include <memory>

class Ball;
class BallLightSet;
class BallSet;
class SoGroup;

/// Muzzle speed of a shot, in world units per second.
constexpr float ballLaunchSpeed = 20;
/// Intensity of a ball's coloured companion light.
constexpr float companionLightIntensity = 0.6f;

/// Colour of a ball shot while `liveBalls` balls are alive: red, blue, green, red, ...
SbColor ballColour(int liveBalls);

/// The most balls alive at once when the rendering context offers `maxLightSources` light
/// sources: two fewer, and none with two or fewer.
unsigned ballLimit(unsigned maxLightSources);

/// Whether one more ball fits beside `liveBalls` others when the rendering context offers
/// `maxLightSources` light sources: fewer than maxLightSources - 2 balls must be alive. A
/// context with two light sources or fewer leaves room for none.
bool hasRoomForBall(int liveBalls, unsigned maxLightSources);

/// Shoots one ball from `launchPoint` along `direction` (taken as it is, not normalised) with
/// the launch speed, and its companion light. Both go to the front of `world` (light first,
/// then the ball's separator), so ball k of `balls` keeps its light at child 2(n-1-k) and its
/// separator at 2(n-1-k)+1. Does nothing when the light sources would run out.
void shootBall(BallSet& balls, BallLightSet& lights, SoGroup& world, const SbVec3f& launchPoint,
               const SbVec3f& direction, unsigned maxLightSources);

/// Puts `ball` and a companion light of `colour` at `lightLocation` at the front of `world`
/// (light first, then the ball's separator) and at the end of the lists, as shootBall does.
void addBall(BallSet& balls, BallLightSet& lights, SoGroup& world, std::unique_ptr<Ball> ball,
             const SbColor& colour, const SbVec3f& lightLocation);

/// Takes the oldest ball and its companion light out of `world` and the lists; nothing
/// happens without balls.
void removeOldestBall(BallSet& balls, BallLightSet& lights, SoGroup& world);

/// Takes ball k out of `world` and the lists, by its place in the layout above.
void removeBall(BallSet& balls, BallLightSet& lights, SoGroup& world, int k);
