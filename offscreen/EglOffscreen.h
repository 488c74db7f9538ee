#pragma once

#include <Inventor/SbVec2s.h>

#include <string>

/// An OpenGL context of Mesa EGL on the surfaceless platform with a framebuffer object to draw
/// into: no display, no window system, the machine's own OpenGL driver. A GLX context that is
/// current when this one is made current (the window's) is current again when it is released.
class EglCanvas {
public:
    EglCanvas() = default;
    ~EglCanvas();
    EglCanvas(const EglCanvas&) = delete;
    EglCanvas& operator=(const EglCanvas&) = delete;

    /// Creates the context and a framebuffer of `size` pixels (colour and depth). False, with
    /// `problem` set, when the machine offers no such context.
    bool open(SbVec2s size, std::string& problem);
    /// Makes the context current with its framebuffer bound for drawing and reading.
    bool makeCurrent();
    /// Puts back whatever context was current before makeCurrent().
    void release();

private:
    void* context_ = nullptr;
    unsigned framebuffer_ = 0;
    unsigned colour_ = 0;
    unsigned depth_ = 0;
    void* previousDisplay_ = nullptr;
    unsigned long previousDrawable_ = 0;
    void* previousContext_ = nullptr;
};
