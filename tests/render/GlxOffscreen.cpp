#include "render/GlxOffscreen.h"

#include <Inventor/C/glue/gl.h>

#include <GL/glx.h>

#include <cstdio>

namespace {

Display* display = nullptr;
GLXFBConfig config = nullptr;

/// One offscreen context with its pbuffer, and what was current before it was made current.
struct Offscreen {
    GLXPbuffer pbuffer = 0;
    GLXContext context = nullptr;
    Display* previousDisplay = nullptr;
    GLXDrawable previousDrawable = 0;
    GLXContext previousContext = nullptr;
};

void* createOffscreen(unsigned int width, unsigned int height) {
    const int attributes[] = {GLX_PBUFFER_WIDTH, static_cast<int>(width), GLX_PBUFFER_HEIGHT,
                              static_cast<int>(height), None};
    Offscreen* offscreen = new Offscreen;
    offscreen->pbuffer = glXCreatePbuffer(display, config, attributes);
    offscreen->context = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
    if (offscreen->pbuffer == 0 || offscreen->context == nullptr) {
        std::fprintf(stderr, "no %ux%u GLX pbuffer with a direct context\n", width, height);
        if (offscreen->context != nullptr) {
            glXDestroyContext(display, offscreen->context);
        }
        if (offscreen->pbuffer != 0) {
            glXDestroyPbuffer(display, offscreen->pbuffer);
        }
        delete offscreen;
        return nullptr;
    }
    return offscreen;
}

SbBool makeCurrent(void* data) {
    Offscreen* offscreen = static_cast<Offscreen*>(data);
    offscreen->previousDisplay = glXGetCurrentDisplay();
    offscreen->previousDrawable = glXGetCurrentDrawable();
    offscreen->previousContext = glXGetCurrentContext();
    return glXMakeContextCurrent(display, offscreen->pbuffer, offscreen->pbuffer,
                                 offscreen->context);
}

void reinstatePrevious(void* data) {
    const Offscreen* offscreen = static_cast<Offscreen*>(data);
    if (offscreen->previousContext != nullptr) {
        glXMakeContextCurrent(offscreen->previousDisplay, offscreen->previousDrawable,
                              offscreen->previousDrawable, offscreen->previousContext);
    } else {
        glXMakeContextCurrent(display, None, None, nullptr);
    }
}

void destruct(void* data) {
    Offscreen* offscreen = static_cast<Offscreen*>(data);
    if (glXGetCurrentContext() == offscreen->context) {
        glXMakeContextCurrent(display, None, None, nullptr);
    }
    glXDestroyContext(display, offscreen->context);
    glXDestroyPbuffer(display, offscreen->pbuffer);
    delete offscreen;
}

cc_glglue_offscreen_cb_functions callbacks = {createOffscreen, makeCurrent, reinstatePrevious,
                                              destruct};

} // namespace

bool useDirectGlxOffscreenContexts() {
    display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cannot open the display\n");
        return false;
    }
    const int attributes[] = {GLX_DRAWABLE_TYPE,
                              GLX_PBUFFER_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_RED_SIZE,
                              8,
                              GLX_GREEN_SIZE,
                              8,
                              GLX_BLUE_SIZE,
                              8,
                              GLX_DEPTH_SIZE,
                              24,
                              None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (configs == nullptr || count == 0) {
        std::fprintf(stderr, "the display offers no GLX pbuffer configuration\n");
        return false;
    }
    config = configs[0];
    XFree(configs);
    cc_glglue_context_set_offscreen_cb_functions(&callbacks);
    return true;
}
