// The second context draws nothing: it is bound to a 1 x 1 pbuffer only
// because GLX needs a surface to make a context current. Binding it talks to
// X from the helper thread; Xlib locks the display itself (libX11 1.8 and
// later initialise threads by default).
#include "gl/list_worker.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include <system_error>
#include <thread>

#include "state/gl_state.h"

namespace {

// X reports a refused pbuffer or context as an error whose default handler
// ends the program; while the worker is made, errors only mark it unusable.

int note_x_error(Display*, XErrorEvent*) {
    gl_list_worker_x_error = true;
    return 0;
}

// Destroys the second context, to be made again for another window context.
void release_gl_worker() {
    if (gl_list_worker.context) glXDestroyContext(gl_list_worker.display, gl_list_worker.context);
    if (gl_list_worker.surface) glXDestroyPbuffer(gl_list_worker.display, gl_list_worker.surface);
    gl_list_worker = GlListWorker();
}

// Remembers that no worker can be made for this display and context.
bool give_up_worker(Display* display, GLXContext current) {
    release_gl_worker();
    gl_list_worker.display = display;
    gl_list_worker.shares_with = current;
    gl_list_worker.unusable = true;
    return false;
}

// Makes a 1 x 1 pbuffer and a context on it that shares `current`'s lists
// into `made` (display and share set already); false, with whatever was
// made left in `made` for release, when the display refuses either.
bool make_pbuffer_context(Display* display, GLXContext current, GlListWorker* made) {
    const int config_wanted[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
    int configs_found = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), config_wanted, &configs_found);
    if (!configs) return false;
    XSync(display, False);
    gl_list_worker_x_error = false;
    int (*previous_handler)(Display*, XErrorEvent*) = XSetErrorHandler(note_x_error);
    if (configs_found > 0) {
        const int size[] = {GLX_PBUFFER_WIDTH, 1, GLX_PBUFFER_HEIGHT, 1, None};
        made->surface = glXCreatePbuffer(display, configs[0], size);
        XSync(display, False);
        if (made->surface && !gl_list_worker_x_error)
            made->context = glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, current, True);
        XSync(display, False);
    }
    XSetErrorHandler(previous_handler);
    XFree(configs);
    if (gl_list_worker_x_error) made->surface = 0;  // it may not exist; a 1 x 1 pbuffer left over is harmless
    return made->context && !gl_list_worker_x_error;
}

// Makes a context sharing the current one's lists, unless one exists already.
bool prepare_worker() {
    Display* display = glXGetCurrentDisplay();
    GLXContext current = glXGetCurrentContext();
    if (!display || !current) return false;
    if (gl_list_worker.display == display && gl_list_worker.shares_with == current && (gl_list_worker.context || gl_list_worker.unusable))
        return !gl_list_worker.unusable;
    release_gl_worker();
    gl_list_worker.display = display;
    gl_list_worker.shares_with = current;
    if (!make_pbuffer_context(display, current, &gl_list_worker)) return give_up_worker(display, current);
    return true;
}

}  // namespace

struct SharedGlContext {
    GlListWorker gl;
};

SharedGlContext* make_shared_gl_context() {
    Display* display = glXGetCurrentDisplay();
    GLXContext current = glXGetCurrentContext();
    if (!display || !current) return nullptr;
    SharedGlContext* shared = new SharedGlContext();
    shared->gl.display = display;
    shared->gl.shares_with = current;
    if (!make_pbuffer_context(display, current, &shared->gl)) {
        destroy_shared_gl_context(shared);
        return nullptr;
    }
    return shared;
}

bool bind_shared_gl_context(SharedGlContext* shared, bool bind) {
    if (!shared) return false;
    if (!bind) return glXMakeContextCurrent(shared->gl.display, None, None, nullptr);
    return glXMakeContextCurrent(shared->gl.display, shared->gl.surface, shared->gl.surface, shared->gl.context);
}

void destroy_shared_gl_context(SharedGlContext* shared) {
    if (!shared) return;
    if (shared->gl.context) glXDestroyContext(shared->gl.display, shared->gl.context);
    if (shared->gl.surface) glXDestroyPbuffer(shared->gl.display, shared->gl.surface);
    delete shared;
}

void run_on_both_gl_contexts(const std::function<void(int)>& work) {
    bool second_done = false;
    std::thread helper;
    if (prepare_worker()) {
        try {
            helper = std::thread([&] {
                if (!glXMakeContextCurrent(gl_list_worker.display, gl_list_worker.surface, gl_list_worker.surface, gl_list_worker.context)) return;
                work(1);
                glFinish();  // the lists are whole before the other context calls them
                glXMakeContextCurrent(gl_list_worker.display, None, None, nullptr);
                second_done = true;
            });
        } catch (const std::system_error&) {
        }
    }
    work(0);
    if (helper.joinable()) helper.join();
    if (!second_done) work(1);
}
