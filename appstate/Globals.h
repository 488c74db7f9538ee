#pragma once

#include "appstate/Settings.h"
#include "balls/BallLightSet.h"
#include "balls/BallSet.h"
#include "balls/CollisionWorld.h"

#include <fstream>

class Cannon;
class ExaminerViewer;
class MpSystem;
class SoIdleSensor;
class SoPerspectiveCamera;
class SoSeparator;
class SoTimerSensor;

/// The application's state, shared by the start-up, the sensors and the keyboard callback.
/// Everything runs on the main loop's one thread, so none of it is locked.
extern std::ifstream* meshStream;
extern ExaminerViewer* viewer;
extern SoSeparator* sceneRoot;
extern SoPerspectiveCamera* camera;
extern SoSeparator* worldSeparator;
extern MpSystem* mpSystem;
/// A body exists and its surface is the last child of worldSeparator.
extern bool mpSystemReady;
extern Cannon* cannon;
extern CollisionWorld collisionWorld;
extern BallSet ballSet;
extern BallLightSet ballLightSet;
extern SoTimerSensor* timerSensor;
extern SoIdleSensor* idleSensor;
