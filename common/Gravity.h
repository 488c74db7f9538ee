#pragma once

/// Gravity along -y, in scene units per second squared; the body's points and the balls fall
/// alike.
constexpr float gravity = 9.81f;
