#include "appstate/Globals.h"

std::ifstream* meshStream = nullptr;
ExaminerViewer* viewer = nullptr;
SoSeparator* sceneRoot = nullptr;
SoPerspectiveCamera* camera = nullptr;
SoSeparator* worldSeparator = nullptr;
MpSystem* mpSystem = nullptr;
bool mpSystemReady = true;
Cannon* cannon = nullptr;
CollisionWorld collisionWorld;
BallSet ballSet;
BallLightSet ballLightSet;
SoTimerSensor* timerSensor = nullptr;
SoIdleSensor* idleSensor = nullptr;
