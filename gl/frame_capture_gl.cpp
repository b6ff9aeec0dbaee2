// Reading drawn frames back from GL.
#include "gl/frame_capture.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glx.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "state/capture_state.h"

namespace {


int ignore_x_error(Display*, XErrorEvent*) {
    capture_x_error_seen = true;
    return 0;
}

// Where one colour lies in an X pixel: its mask, shift and largest value.
struct Channel {
    unsigned long mask;
    int shift;
    unsigned long top;
};

Channel channel_of(unsigned long mask) {
    Channel c = {mask, 0, 0};
    while (!((mask >> c.shift) & 1)) ++c.shift;
    c.top = mask >> c.shift;
    return c;
}

template <typename T>
bool look_up(T* function, const char* name) {
    *function = (T)glXGetProcAddressARB((const GLubyte*)name);
    return *function != nullptr;
}

// The context's version as major * 10 + minor (21 for 2.1); 0 if unknown.
int gl_version() {
    const char* text = (const char*)glGetString(GL_VERSION);
    int major = 0, minor = 0;
    if (!text || sscanf(text, "%d.%d", &major, &minor) < 1) return 0;
    return major * 10 + minor;
}

bool has_extension(const char* name) {
    const char* all = (const char*)glGetString(GL_EXTENSIONS);
    if (!all) return false;
    size_t n = strlen(name);
    for (const char* p = strstr(all, name); p; p = strstr(p + n, name))
        if ((p == all || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
    return false;
}

}  // namespace

bool gl_has_framebuffers() { return gl_version() >= 30 || has_extension("GL_ARB_framebuffer_object"); }

namespace {

bool look_up_framebuffers() {
    if (!gl_has_framebuffers()) return false;
    return look_up(&capture_gl.gen_framebuffers, "glGenFramebuffers") && look_up(&capture_gl.bind_framebuffer, "glBindFramebuffer") &&
           look_up(&capture_gl.delete_framebuffers, "glDeleteFramebuffers") &&
           look_up(&capture_gl.gen_renderbuffers, "glGenRenderbuffers") && look_up(&capture_gl.bind_renderbuffer, "glBindRenderbuffer") &&
           look_up(&capture_gl.delete_renderbuffers, "glDeleteRenderbuffers") &&
           look_up(&capture_gl.renderbuffer_storage, "glRenderbufferStorage") &&
           look_up(&capture_gl.framebuffer_renderbuffer, "glFramebufferRenderbuffer") &&
           look_up(&capture_gl.check_framebuffer_status, "glCheckFramebufferStatus");
}

bool look_up_pixel_buffers() {
    if (gl_version() < 21 && !has_extension("GL_ARB_pixel_buffer_object")) return false;
    return look_up(&capture_gl.gen_buffers, "glGenBuffers") && look_up(&capture_gl.bind_buffer, "glBindBuffer") &&
           look_up(&capture_gl.buffer_data, "glBufferData") && look_up(&capture_gl.map_buffer, "glMapBuffer") &&
           look_up(&capture_gl.unmap_buffer, "glUnmapBuffer") && look_up(&capture_gl.delete_buffers, "glDeleteBuffers");
}

void clear_gl_errors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {}
}

bool open_read_ring(size_t bytes) {
    if (look_up_pixel_buffers()) {
        capture_gl.gen_buffers(CAPTURE_READ_RING, capture_read_buffers);
        for (GLuint b : capture_read_buffers) {
            capture_gl.bind_buffer(GL_PIXEL_PACK_BUFFER, b);
            capture_gl.buffer_data(GL_PIXEL_PACK_BUFFER, (GLsizeiptr)bytes, nullptr, GL_STREAM_READ);
        }
        capture_gl.bind_buffer(GL_PIXEL_PACK_BUFFER, 0);
        return glGetError() == GL_NO_ERROR;
    }
    for (unsigned char*& copy : capture_read_copies) {
        copy = (unsigned char*)malloc(bytes);
        if (!copy) return false;
    }
    return true;
}

}  // namespace

bool open_capture_target(int width, int height, char* error, size_t error_size) {
    if (!look_up_framebuffers()) {
        snprintf(error, error_size, "This GL (%s) cannot render offscreen: it has no framebuffer objects",
                 (const char*)glGetString(GL_RENDERER));
        return false;
    }
    GLint largest = 0, viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    if (width > largest || height > largest || width > viewport[0] || height > viewport[1]) {
        int w = largest < viewport[0] ? largest : viewport[0], h = largest < viewport[1] ? largest : viewport[1];
        snprintf(error, error_size, "This GL (%s) cannot render %d x %d: its largest frame is %d x %d",
                 (const char*)glGetString(GL_RENDERER), width, height, w, h);
        return false;
    }
    clear_gl_errors();
    capture_gl.gen_framebuffers(1, &capture_framebuffer);
    capture_gl.bind_framebuffer(GL_FRAMEBUFFER, capture_framebuffer);
    capture_gl.gen_renderbuffers(2, capture_renderbuffers);
    capture_gl.bind_renderbuffer(GL_RENDERBUFFER, capture_renderbuffers[0]);
    capture_gl.renderbuffer_storage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    capture_gl.framebuffer_renderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, capture_renderbuffers[0]);
    capture_gl.bind_renderbuffer(GL_RENDERBUFFER, capture_renderbuffers[1]);
    capture_gl.renderbuffer_storage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    capture_gl.framebuffer_renderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, capture_renderbuffers[1]);
    capture_gl.bind_renderbuffer(GL_RENDERBUFFER, 0);
    GLenum status = capture_gl.check_framebuffer_status(GL_FRAMEBUFFER);
    GLenum gl_error = glGetError();
    capture_width = width;
    capture_height = height;
    capture_reads_started = capture_reads_collected = 0;
    if (status != GL_FRAMEBUFFER_COMPLETE || gl_error != GL_NO_ERROR ||
        !open_read_ring((size_t)width * height * 4)) {
        snprintf(error, error_size, "This GL (%s) cannot render %d x %d offscreen (%s)",
                 (const char*)glGetString(GL_RENDERER), width, height,
                 gl_error == GL_OUT_OF_MEMORY ? "out of memory" : "the frame cannot be made");
        close_capture_target();
        return false;
    }
    return true;
}

void queue_frame_read() {
    int slot = capture_reads_started % CAPTURE_READ_RING;
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (capture_read_buffers[slot]) {
        capture_gl.bind_buffer(GL_PIXEL_PACK_BUFFER, capture_read_buffers[slot]);
        glReadPixels(0, 0, capture_width, capture_height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        capture_gl.bind_buffer(GL_PIXEL_PACK_BUFFER, 0);
    } else {
        glReadPixels(0, 0, capture_width, capture_height, GL_RGBA, GL_UNSIGNED_BYTE, capture_read_copies[slot]);
    }
    ++capture_reads_started;
}

int frame_reads_pending() { return capture_reads_started - capture_reads_collected; }

const unsigned char* map_oldest_frame_read() {
    if (capture_reads_collected >= capture_reads_started) return nullptr;
    int slot = capture_reads_collected % CAPTURE_READ_RING;
    if (!capture_read_buffers[slot]) return capture_read_copies[slot];
    capture_gl.bind_buffer(GL_PIXEL_PACK_BUFFER, capture_read_buffers[slot]);
    const unsigned char* pixels = (const unsigned char*)capture_gl.map_buffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    capture_read_mapped = pixels != nullptr;
    return pixels;
}

void release_frame_read() {
    if (capture_reads_collected >= capture_reads_started) return;
    if (capture_read_mapped) capture_gl.unmap_buffer(GL_PIXEL_PACK_BUFFER);
    capture_read_mapped = false;
    if (capture_read_buffers[0]) capture_gl.bind_buffer(GL_PIXEL_PACK_BUFFER, 0);
    ++capture_reads_collected;
}

void close_capture_target() {
    if (capture_read_buffers[0]) capture_gl.delete_buffers(CAPTURE_READ_RING, capture_read_buffers);
    for (int i = 0; i < CAPTURE_READ_RING; ++i) {
        capture_read_buffers[i] = 0;
        free(capture_read_copies[i]);
        capture_read_copies[i] = nullptr;
    }
    if (capture_framebuffer) {
        capture_gl.bind_framebuffer(GL_FRAMEBUFFER, 0);
        capture_gl.delete_framebuffers(1, &capture_framebuffer);
        capture_gl.delete_renderbuffers(2, capture_renderbuffers);
    }
    capture_framebuffer = 0;
    capture_width = capture_height = 0;
}

bool read_shown_picture(unsigned char** rgb, int* width, int* height, char* error, size_t error_size) {
    *rgb = nullptr;
    Display* display = glXGetCurrentDisplay();
    Window window = (Window)glXGetCurrentDrawable();
    XWindowAttributes a;
    if (!display || !window || !XGetWindowAttributes(display, window, &a) || a.map_state != IsViewable) {
        snprintf(error, error_size, "the window is not shown");
        return false;
    }
    // The GL picture may not have reached the screen yet.
    glFinish();
    XSync(display, False);
    XErrorHandler previous = XSetErrorHandler(ignore_x_error);
    capture_x_error_seen = false;
    XImage* image = XGetImage(display, window, 0, 0, (unsigned)a.width, (unsigned)a.height, AllPlanes, ZPixmap);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!image || capture_x_error_seen) {
        if (image) XDestroyImage(image);
        snprintf(error, error_size, "the window is not wholly on the screen");
        return false;
    }
    if (a.visual->c_class != TrueColor || !image->red_mask || !image->green_mask || !image->blue_mask) {
        XDestroyImage(image);
        snprintf(error, error_size, "the window's pixels are not true colour");
        return false;
    }
    *rgb = (unsigned char*)malloc((size_t)a.width * a.height * 3);
    if (!*rgb) {
        XDestroyImage(image);
        snprintf(error, error_size, "no memory for a %d x %d picture", a.width, a.height);
        return false;
    }
    Channel channels[3] = {channel_of(image->red_mask), channel_of(image->green_mask), channel_of(image->blue_mask)};
    unsigned char* out = *rgb;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            unsigned long pixel = XGetPixel(image, x, y);
            for (const Channel& c : channels) *out++ = (unsigned char)(((pixel & c.mask) >> c.shift) * 255 / c.top);
        }
    XDestroyImage(image);
    *width = a.width;
    *height = a.height;
    return true;
}
