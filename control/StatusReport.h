#pragma once

#include "appstate/OnScreenText.h"

class ProgramState;

/// What the status over the view reports of the application as it is now.
StatusValues currentStatus(const ProgramState& state);
