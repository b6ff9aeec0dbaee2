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

constexpr int READ_RING = 2;  // reads in flight: one collected while the next is drawn

namespace {

// Framebuffer and buffer object entry points, looked up at run time because
// the program is otherwise written against GL 1.1.
PFNGLGENFRAMEBUFFERSPROC gen_framebuffers;
PFNGLBINDFRAMEBUFFERPROC bind_framebuffer;
PFNGLDELETEFRAMEBUFFERSPROC delete_framebuffers;
PFNGLGENRENDERBUFFERSPROC gen_renderbuffers;
PFNGLBINDRENDERBUFFERPROC bind_renderbuffer;
PFNGLDELETERENDERBUFFERSPROC delete_renderbuffers;
PFNGLRENDERBUFFERSTORAGEPROC renderbuffer_storage;
PFNGLFRAMEBUFFERRENDERBUFFERPROC framebuffer_renderbuffer;
PFNGLCHECKFRAMEBUFFERSTATUSPROC check_framebuffer_status;
PFNGLGENBUFFERSPROC gen_buffers;
PFNGLBINDBUFFERPROC bind_buffer;
PFNGLBUFFERDATAPROC buffer_data;
PFNGLMAPBUFFERPROC map_buffer;
PFNGLUNMAPBUFFERPROC unmap_buffer;
PFNGLDELETEBUFFERSPROC delete_buffers;

GLuint target_framebuffer = 0;
GLuint target_renderbuffers[2];  // colour, depth
GLuint read_buffers[READ_RING];  // pixel pack buffers; 0 when the GL has none
unsigned char* read_copies[READ_RING];  // plain memory stands in for them then
int target_width = 0, target_height = 0;
int reads_started = 0, reads_collected = 0;
bool read_mapped = false;  // the oldest read's pixel buffer is mapped

bool x_error_seen = false;

int ignore_x_error(Display*, XErrorEvent*) {
    x_error_seen = true;
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

bool look_up_framebuffers() {
    if (gl_version() < 30 && !has_extension("GL_ARB_framebuffer_object")) return false;
    return look_up(&gen_framebuffers, "glGenFramebuffers") && look_up(&bind_framebuffer, "glBindFramebuffer") &&
           look_up(&delete_framebuffers, "glDeleteFramebuffers") &&
           look_up(&gen_renderbuffers, "glGenRenderbuffers") && look_up(&bind_renderbuffer, "glBindRenderbuffer") &&
           look_up(&delete_renderbuffers, "glDeleteRenderbuffers") &&
           look_up(&renderbuffer_storage, "glRenderbufferStorage") &&
           look_up(&framebuffer_renderbuffer, "glFramebufferRenderbuffer") &&
           look_up(&check_framebuffer_status, "glCheckFramebufferStatus");
}

bool look_up_pixel_buffers() {
    if (gl_version() < 21 && !has_extension("GL_ARB_pixel_buffer_object")) return false;
    return look_up(&gen_buffers, "glGenBuffers") && look_up(&bind_buffer, "glBindBuffer") &&
           look_up(&buffer_data, "glBufferData") && look_up(&map_buffer, "glMapBuffer") &&
           look_up(&unmap_buffer, "glUnmapBuffer") && look_up(&delete_buffers, "glDeleteBuffers");
}

void clear_gl_errors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {}
}

bool open_read_ring(size_t bytes) {
    if (look_up_pixel_buffers()) {
        gen_buffers(READ_RING, read_buffers);
        for (GLuint b : read_buffers) {
            bind_buffer(GL_PIXEL_PACK_BUFFER, b);
            buffer_data(GL_PIXEL_PACK_BUFFER, (GLsizeiptr)bytes, nullptr, GL_STREAM_READ);
        }
        bind_buffer(GL_PIXEL_PACK_BUFFER, 0);
        return glGetError() == GL_NO_ERROR;
    }
    for (unsigned char*& copy : read_copies) {
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
    gen_framebuffers(1, &target_framebuffer);
    bind_framebuffer(GL_FRAMEBUFFER, target_framebuffer);
    gen_renderbuffers(2, target_renderbuffers);
    bind_renderbuffer(GL_RENDERBUFFER, target_renderbuffers[0]);
    renderbuffer_storage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    framebuffer_renderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, target_renderbuffers[0]);
    bind_renderbuffer(GL_RENDERBUFFER, target_renderbuffers[1]);
    renderbuffer_storage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    framebuffer_renderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, target_renderbuffers[1]);
    bind_renderbuffer(GL_RENDERBUFFER, 0);
    GLenum status = check_framebuffer_status(GL_FRAMEBUFFER);
    GLenum gl_error = glGetError();
    target_width = width;
    target_height = height;
    reads_started = reads_collected = 0;
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
    int slot = reads_started % READ_RING;
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (read_buffers[slot]) {
        bind_buffer(GL_PIXEL_PACK_BUFFER, read_buffers[slot]);
        glReadPixels(0, 0, target_width, target_height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        bind_buffer(GL_PIXEL_PACK_BUFFER, 0);
    } else {
        glReadPixels(0, 0, target_width, target_height, GL_RGBA, GL_UNSIGNED_BYTE, read_copies[slot]);
    }
    ++reads_started;
}

int frame_reads_pending() { return reads_started - reads_collected; }

const unsigned char* map_oldest_frame_read() {
    if (reads_collected >= reads_started) return nullptr;
    int slot = reads_collected % READ_RING;
    if (!read_buffers[slot]) return read_copies[slot];
    bind_buffer(GL_PIXEL_PACK_BUFFER, read_buffers[slot]);
    const unsigned char* pixels = (const unsigned char*)map_buffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    read_mapped = pixels != nullptr;
    return pixels;
}

void release_frame_read() {
    if (reads_collected >= reads_started) return;
    if (read_mapped) unmap_buffer(GL_PIXEL_PACK_BUFFER);
    read_mapped = false;
    if (read_buffers[0]) bind_buffer(GL_PIXEL_PACK_BUFFER, 0);
    ++reads_collected;
}

void close_capture_target() {
    if (read_buffers[0]) delete_buffers(READ_RING, read_buffers);
    for (int i = 0; i < READ_RING; ++i) {
        read_buffers[i] = 0;
        free(read_copies[i]);
        read_copies[i] = nullptr;
    }
    if (target_framebuffer) {
        bind_framebuffer(GL_FRAMEBUFFER, 0);
        delete_framebuffers(1, &target_framebuffer);
        delete_renderbuffers(2, target_renderbuffers);
    }
    target_framebuffer = 0;
    target_width = target_height = 0;
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
    x_error_seen = false;
    XImage* image = XGetImage(display, window, 0, 0, (unsigned)a.width, (unsigned)a.height, AllPlanes, ZPixmap);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!image || x_error_seen) {
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
