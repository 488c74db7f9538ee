#pragma once

class ExaminerViewer;
class ProgramState;

/// Builds the application's state around `examinerViewer`, which becomes `viewer` and is
/// owned by the application from here on: the scene root with the camera, the body read from
/// meshStream with its surface, the cannon, the collision world (body, floor, balls), the
/// sensors (unscheduled, the timer working for `state`) and the keyboard node (carrying
/// `state`) with keyboardCallback; the first body becomes the first of `state`'s bodies, and
/// is selected. Then sets up the viewer to render the scene. Shows nothing.
/// Returns false when the mesh is malformed (the reader has said why); the program then ends
/// with status 1.
bool assembleScene(ExaminerViewer* examinerViewer, ProgramState& state);
