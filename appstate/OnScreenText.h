#pragma once

#include "balls/BodyPlace.h"

#include <limits>
#include <string>
#include <vector>

/// What the status line over the view reports.
struct StatusValues {
    /// The scene file opened or saved last, without its folder; empty for none.
    std::string sceneName;
    /// The file the selected body came from, without its folder, as the user named it.
    std::string bodyName;
    /// The bodies of the scene, and which of them (from 0) is selected: the one whose values
    /// the status shows.
    int bodies = 1;
    int selectedBody = 0;
    /// The selected body exists (none after a rebuild that failed).
    bool hasBody = false;
    int points = 0;
    int springs = 0;
    int balls = 0;
    /// The most balls alive at once.
    unsigned ballLimit = 0;
    float stiffness = 0;
    float damping = 0;
    /// Seconds of simulated time per tick.
    float timeStep = 0;
    /// The largest time step at which the body stays stable in the arena; infinity when
    /// nothing limits it.
    float stableTimeStep = std::numeric_limits<float>::infinity();
    bool running = false;
    /// Seconds of simulated time since start-up.
    double simulatedTime = 0;
    /// Simulated seconds per wall-clock second, as measured; negative before the first
    /// measurement since the start.
    double pace = -1;
    /// The pace while every tick runs; 0 when the ticks have no interval.
    double targetPace = 0;
    /// The share of the due ticks that ran; below 1 the simulation falls behind.
    double ranShare = 1;
    bool slowMotion = false;
    /// The body's point mass (the command line's while there is no body).
    float mass = 0;
    /// The pressure of the gas in the body and its pinned points; whether the body's surface
    /// refused the pressure its command line or file asked for.
    float pressure = 0;
    int pins = 0;
    bool pressureRefused = false;
    /// The view is being recorded into a video, of this many seconds so far.
    bool recording = false;
    double recordedSeconds = 0;
    /// Where the body was after the last tick; a body that blew up or left the arena's reach
    /// stopped the animation, at the time step `caughtTimeStep`, whose stable bound then was
    /// `caughtStableTimeStep`.
    BodyPlace bodyPlace = BodyPlace::inArena;
    float caughtTimeStep = 0;
    float caughtStableTimeStep = std::numeric_limits<float>::infinity();
    /// How many simulated seconds Backspace goes back; negative when there is nothing to go
    /// back to.
    double rewindSeconds = -1;
};

/// The values of the bundled run (scripts/run.sh), which the status offers when a value that
/// the body cannot do without is missing.
struct BundledRun {
    static constexpr const char* mass = "0.3";
    static constexpr const char* stiffness = "85";
    static constexpr const char* damping = "0.04";
    static constexpr const char* timeStep = "0.012";
};

/// The texts the window draws over its view. They are composed here, without the window
/// toolkit, and drawn by the window layer.

/// Shown while the animation is stopped.
const char* pausedHint();

/// What became of the body and what brings it back, in two lines as narrow as the rest of the
/// status (the second indented), or none while it is in the arena: a body out of the arena or
/// below the floor, and one that left the arena's reach or blew up, which stopped the animation
/// ("the body blew up at time step 0.05:", "  Backspace goes back 2 s, N rebuilds").
std::vector<std::string> bodyTroubleLines(const StatusValues& values);
/// The same in one line, with the stable time step when it was exceeded: "the body blew up at
/// time step 0.05 (stable up to 0.047): Backspace goes back 2 s, N rebuilds". Empty while the
/// body is in the arena.
std::string bodyTroubleMessage(const StatusValues& values);

/// The status: "scene " and the scene file's name while one was opened or saved, the body's file
/// (shortened to fit; with several bodies after "body 2 of 3: ", the
/// one selected, whose values the rest shows), its points and springs and the balls, the three
/// switched values, the simulated time and, while the animation runs, its pace in simulated
/// seconds a second against its target, with "SLOW MOTION" and the factor when it falls behind,
/// and while the view is recorded "REC" and the video's length; the pressure and the pinned
/// points when there are any, or that the surface refused the pressure asked for; "UNSTABLE"
/// with the stable time step while the time step lies beyond it; what became of the body
/// (bodyTroubleLines). Below, a line pair for each of the mass, the stiffness and the time step
/// that is 0 (or not positive), which says what that does and what the bundled run uses:
/// options left out count as 0.
std::vector<std::string> statusLines(const StatusValues& values);
