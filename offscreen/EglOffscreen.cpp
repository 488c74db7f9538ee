#include "offscreen/EglOffscreen.h"

#define GL_GLEXT_PROTOTYPES
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>

namespace {

struct EglDisplay {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    const char* problem = nullptr;
};

EglDisplay openDisplay() {
    EglDisplay egl;
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) {
        egl.problem = "EGL offers no platform displays";
        return egl;
    }
    egl.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (egl.display == EGL_NO_DISPLAY || !eglInitialize(egl.display, nullptr, nullptr)) {
        egl.problem = "EGL has no surfaceless platform (Mesa's libegl-mesa0)";
        return egl;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        egl.problem = "EGL offers no desktop OpenGL";
        return egl;
    }
    // The context draws into a framebuffer object, never into a surface of the platform's.
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 0,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(egl.display, attributes, &egl.config, 1, &count) || count == 0) {
        egl.problem = "EGL offers no OpenGL configuration";
    }
    return egl;
}

/// One display for the process, opened at the first canvas.
const EglDisplay& display() {
    static const EglDisplay egl = openDisplay();
    return egl;
}

} // namespace

EglCanvas::~EglCanvas() {
    if (context_ == nullptr) {
        return;
    }
    if (makeCurrent()) {
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteRenderbuffers(1, &colour_);
        glDeleteRenderbuffers(1, &depth_);
        release();
    }
    eglDestroyContext(display().display, context_);
}

bool EglCanvas::open(SbVec2s size, std::string& problem) {
    const EglDisplay& egl = display();
    if (egl.problem != nullptr) {
        problem = egl.problem;
        return false;
    }
    const EGLint attributes[] = {EGL_NONE};
    context_ = eglCreateContext(egl.display, egl.config, EGL_NO_CONTEXT, attributes);
    if (context_ == EGL_NO_CONTEXT) {
        context_ = nullptr;
        problem = "EGL gives no OpenGL context";
        return false;
    }
    if (!makeCurrent()) {
        problem = "the EGL context cannot be made current";
        return false;
    }
    glGenFramebuffers(1, &framebuffer_);
    glGenRenderbuffers(1, &colour_);
    glGenRenderbuffers(1, &depth_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size[0], size[1]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    glBindRenderbuffer(GL_RENDERBUFFER, depth_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, size[0], size[1]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth_);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    release();
    if (!complete) {
        problem = "the OpenGL driver gives no framebuffer of that size";
    }
    return complete;
}

bool EglCanvas::makeCurrent() {
    // A thread holds one current context across GLX and EGL: the window's must step aside.
    previousContext_ = glXGetCurrentContext();
    previousDisplay_ = glXGetCurrentDisplay();
    previousDrawable_ = glXGetCurrentDrawable();
    if (previousContext_ != nullptr) {
        glXMakeContextCurrent(static_cast<Display*>(previousDisplay_), None, None, nullptr);
    }
    if (!eglMakeCurrent(display().display, EGL_NO_SURFACE, EGL_NO_SURFACE, context_)) {
        release();
        return false;
    }
    if (framebuffer_ != 0) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
    }
    return true;
}

void EglCanvas::release() {
    eglMakeCurrent(display().display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (previousContext_ != nullptr) {
        glXMakeContextCurrent(static_cast<Display*>(previousDisplay_), previousDrawable_,
                              previousDrawable_, static_cast<GLXContext>(previousContext_));
        previousContext_ = nullptr;
    }
}
