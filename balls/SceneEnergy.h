#pragma once

#include "mpsystem/BodyEnergy.h"

#include <vector>

class MpSystem;

/// The energy of every body, summed kind by kind (mpsystem/BodyEnergy.h says what each
/// holds); none for no body. As for one body, the contacts' penalty springs hold none of it.
BodyEnergy measureEnergy(const std::vector<MpSystem*>& bodies, float zeroHeight);
