#pragma once

struct KeyPress;

/// The actions of the key table's rows (KeyTable.h), each for one key.

/// The keys the program is built around (KeyboardControl.cpp), with their effects and messages as
/// they always were; those that act on a body act on the selected one.
void showHelp(KeyPress& press);
void startOrStop(KeyPress& press);
void orbitLeft(KeyPress& press);
void orbitRight(KeyPress& press);
void orbitUp(KeyPress& press);
void orbitDown(KeyPress& press);
void pushLeft(KeyPress& press);
void pushRight(KeyPress& press);
void pushForward(KeyPress& press);
void pushBackward(KeyPress& press);
void liftBody(KeyPress& press);
void yawLeft(KeyPress& press);
void yawRight(KeyPress& press);
void tiltUp(KeyPress& press);
void tiltDown(KeyPress& press);
void removeBall(KeyPress& press);
void shoot(KeyPress& press);
void cycleStiffness(KeyPress& press);
void cycleTimeStep(KeyPress& press);
void cycleDamping(KeyPress& press);
void switchHeadlight(KeyPress& press);
void cycleDrawStyle(KeyPress& press);
void switchHeadcam(KeyPress& press);
void rebuildBodies(KeyPress& press);
void quit(KeyPress& press);

/// The program's own keys (KeyTable.cpp).
void stepOnce(KeyPress& press);
void goBackInTime(KeyPress& press);
void saveScreenshot(KeyPress& press);
void chooseModel(KeyPress& press);
void chooseModelToAdd(KeyPress& press);
void saveTheScene(KeyPress& press);
void selectNextBody(KeyPress& press);
void removeSelectedBody(KeyPress& press);
void cancelTheOpening(KeyPress& press);
void switchTuningPanel(KeyPress& press);
void switchEnergyPlot(KeyPress& press);
void switchRecording(KeyPress& press);
