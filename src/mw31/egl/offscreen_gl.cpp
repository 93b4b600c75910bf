// The only EGL code: Mesa's surfaceless platform with a pbuffer surface, so that no display
// server is needed.
#include "mw31/egl/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstring>

namespace mw31 {

struct OffscreenGl::Egl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    ~Egl() {
        if (display == EGL_NO_DISPLAY) return;
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
        // The display is shared by every context of the process; it stays initialised.
    }
};

namespace {

EGLDisplay surfaceless_display(std::string* error) {
    static EGLDisplay display = EGL_NO_DISPLAY;
    if (display != EGL_NO_DISPLAY) return display;
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!extensions || !std::strstr(extensions, "EGL_MESA_platform_surfaceless")) {
        *error = "EGL has no surfaceless platform (Mesa's EGL is needed)";
        return EGL_NO_DISPLAY;
    }
    auto get_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!get_display) {
        *error = "eglGetPlatformDisplayEXT is missing";
        return EGL_NO_DISPLAY;
    }
    EGLDisplay d = get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (d == EGL_NO_DISPLAY || !eglInitialize(d, &major, &minor)) {
        *error = "cannot initialise the surfaceless EGL display";
        return EGL_NO_DISPLAY;
    }
    display = d;
    return display;
}

}  // namespace

std::unique_ptr<OffscreenGl> OffscreenGl::create(int width, int height, std::string* error) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        *error = "picture size out of range";
        return nullptr;
    }
    std::unique_ptr<OffscreenGl> gl(new OffscreenGl);
    gl->egl_ = std::make_unique<Egl>();
    Egl& e = *gl->egl_;
    e.display = surfaceless_display(error);
    if (e.display == EGL_NO_DISPLAY) return nullptr;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = "EGL cannot bind desktop OpenGL";
        return nullptr;
    }
    const EGLint config_attributes[] = {EGL_SURFACE_TYPE,
                                        EGL_PBUFFER_BIT,
                                        EGL_RED_SIZE,
                                        8,
                                        EGL_GREEN_SIZE,
                                        8,
                                        EGL_BLUE_SIZE,
                                        8,
                                        EGL_DEPTH_SIZE,
                                        24,
                                        EGL_RENDERABLE_TYPE,
                                        EGL_OPENGL_BIT,
                                        EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(e.display, config_attributes, &config, 1, &count) || count < 1) {
        *error = "no EGL configuration with RGB and depth";
        return nullptr;
    }
    const EGLint surface_attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    e.surface = eglCreatePbufferSurface(e.display, config, surface_attributes);
    if (e.surface == EGL_NO_SURFACE) {
        *error = "cannot create the offscreen surface";
        return nullptr;
    }
    const EGLint context_attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                         EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    e.context = eglCreateContext(e.display, config, EGL_NO_CONTEXT, context_attributes);
    if (e.context == EGL_NO_CONTEXT) {
        *error = "cannot create a compatibility-profile OpenGL context";
        return nullptr;
    }
    gl->width_ = width;
    gl->height_ = height;
    if (!gl->make_current()) {
        *error = "cannot make the OpenGL context current";
        return nullptr;
    }
    return gl;
}

OffscreenGl::~OffscreenGl() = default;

bool OffscreenGl::make_current() {
    return eglMakeCurrent(egl_->display, egl_->surface, egl_->surface, egl_->context) == EGL_TRUE;
}

std::vector<uint8_t> OffscreenGl::read_rgb_rows() const {
    const size_t row = size_t(width_) * 3;
    std::vector<uint8_t> bottom_up(row * size_t(height_));
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    std::vector<uint8_t> rows(bottom_up.size());
    for (int y = 0; y < height_; ++y)
        std::memcpy(rows.data() + size_t(y) * row, bottom_up.data() + size_t(height_ - 1 - y) * row,
                    row);
    return rows;
}

std::string OffscreenGl::renderer() const {
    const auto* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const auto* v = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return std::string(r ? r : "?") + " | " + (v ? v : "?");
}

}  // namespace mw31
