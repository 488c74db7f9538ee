#pragma once

#include "app/SceneAssembly.h"
#include "app/Teardown.h"
#include "appstate/Globals.h"
#include "appstate/HeadlessViewer.h"
#include "appstate/StartUp.h"
#include "control/ProgramState.h"
#include "mpsystem/MpSystem.h"
#include "tests/CoinEnvironment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

/// A small textured body: a cube of side 2 from y = -1 to 1, eight points (enough for the
/// arrow keys, which push points 1, 2, 5 and 6) and twelve triangles facing outwards.
inline const char* cubeMesh() {
    return "TOFF\n"
           "# a cube around the origin\n"
           "8 12 18\n"
           "-1 -1 -1 0 0\n"
           " 1 -1 -1 1 0\n"
           " 1  1 -1 1 1\n"
           "-1  1 -1 0 1\n"
           "-1 -1  1 0 0\n"
           " 1 -1  1 1 0\n"
           " 1  1  1 1 1\n"
           "-1  1  1 0 1\n"
           "3 0 2 1\n3 0 3 2\n3 4 5 6\n3 4 6 7\n3 0 1 5\n3 0 5 4\n"
           "3 3 6 2\n3 3 7 6\n3 0 4 7\n3 0 7 3\n3 1 2 6\n3 1 6 5\n";
}

/// A second body from the file and settings the scene was assembled with, to compare the
/// ticks with plain steps.
inline std::unique_ptr<MpSystem> twinBody() {
    std::ifstream mesh(settings.meshFileName);
    ::testing::internal::CaptureStderr();
    auto body =
        std::make_unique<MpSystem>(mesh, settings.damping, settings.mass, settings.stiffness);
    ::testing::internal::GetCapturedStderr();
    return body;
}

/// Runs the start-up without a window, as the program does between opening the window and
/// showing it, on a mesh written to a temporary file. Every case starts from released state
/// and releases everything it built.
class AssembledScene : public ::testing::Test {
protected:
    void TearDown() override {
        releaseApplication();
        for (const std::string& path : files_) {
            std::remove(path.c_str());
        }
    }

    /// Writes `text` to a new temporary file and returns its path.
    std::string writeFile(const std::string& name, const std::string& text) {
        std::string path = ::testing::TempDir() + "plimmerton_" + std::to_string(getpid()) + "_" +
                           std::to_string(files_.size()) + "_" + name;
        std::ofstream(path, std::ios::binary) << text;
        files_.push_back(path);
        return path;
    }

    /// Reads the command line (the mesh file after "-i" is `meshText`, written to a temporary
    /// file) and assembles the scene around a new HeadlessViewer.
    bool assemble(const std::string& meshText, std::vector<std::string> options = {}) {
        arguments_ = {"plimmerton", "-i", writeFile("body.off", meshText)};
        arguments_.insert(arguments_.end(), options.begin(), options.end());
        argv_.clear();
        for (std::string& argument : arguments_) {
            argv_.push_back(argument.data());
        }
        argv_.push_back(nullptr);
        if (!readCommandLine(static_cast<int>(arguments_.size()), argv_.data())) {
            return false;
        }
        headless = new HeadlessViewer;
        ::testing::internal::CaptureStderr();
        const bool assembled = assembleScene(headless, state);
        readerOutput = ::testing::internal::GetCapturedStderr();
        return assembled;
    }

    /// The standard options of a run: damping, mass, stiffness and time step all different, so
    /// that a mix-up shows.
    static std::vector<std::string> runOptions() {
        return {"-d", "0.02", "-m", "1.25", "-s", "85", "-t", "0.012"};
    }

    /// What the program keeps beyond its globals, as the window layer would own it.
    ProgramState state;
    /// Owned by the application once assembled (it is `viewer`).
    HeadlessViewer* headless = nullptr;
    /// What the assembly wrote on standard error: the mesh reader's progress or its error.
    std::string readerOutput;

private:
    std::vector<std::string> files_;
    // The settings point into these texts, so they live as long as the case.
    std::vector<std::string> arguments_;
    std::vector<char*> argv_;
};
