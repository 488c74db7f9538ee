#pragma once

class Ball;
class BallLightSet;
class BallSet;
class SoGroup;

/// Below this height a ball has left the arena for good.
constexpr float ballFloorOfPlay = -45;
/// Companion lights stay at or above this height, above the ground sheet, so a ball resting
/// on the floor or falling away still lights the ground from above.
constexpr float companionLightMinHeight = -12.3f;

/// True while the ball's centre is above the floor of play; a centre that is not a number
/// counts as fallen.
bool isBallInPlay(const Ball& ball);

/// One tick of the balls, oldest first: a fallen ball leaves `world` and both lists (with
/// the layout of shootBall), every other ball takes one step of dt seconds.
void advanceBalls(BallSet& balls, BallLightSet& lights, SoGroup& world, float dt);

/// Moves each ball's nodes to its centre and its companion light there too, held at or above
/// companionLightMinHeight.
void syncBallNodes(const BallSet& balls, const BallLightSet& lights);
