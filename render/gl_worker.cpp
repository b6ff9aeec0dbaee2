// The second context draws nothing: it is bound to a 1 x 1 pbuffer only
// because GLX needs a surface to make a context current.
#include "render/gl_worker.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include <system_error>
#include <thread>

namespace {

struct GlWorker {
    Display* display = nullptr;
    GLXContext shares_with = nullptr;  // the context whose lists it sees
    GLXContext context = nullptr;
    GLXPbuffer surface = 0;
};

GlWorker worker;

// Makes a context sharing the current one's lists, unless one exists already.
bool prepare_worker() {
    Display* display = glXGetCurrentDisplay();
    GLXContext current = glXGetCurrentContext();
    if (!display || !current) return false;
    if (worker.context && worker.display == display && worker.shares_with == current) return true;
    release_gl_worker();
    const int config_wanted[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
    int configs_found = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), config_wanted, &configs_found);
    if (!configs) return false;
    if (configs_found > 0) {
        const int size[] = {GLX_PBUFFER_WIDTH, 1, GLX_PBUFFER_HEIGHT, 1, None};
        worker.surface = glXCreatePbuffer(display, configs[0], size);
        if (worker.surface) worker.context = glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, current, True);
    }
    XFree(configs);
    worker.display = display;
    worker.shares_with = current;
    if (!worker.context) {
        release_gl_worker();
        return false;
    }
    return true;
}

}  // namespace

void release_gl_worker() {
    if (worker.context) glXDestroyContext(worker.display, worker.context);
    if (worker.surface) glXDestroyPbuffer(worker.display, worker.surface);
    worker = GlWorker();
}

void run_on_both_gl_contexts(const std::function<void(int)>& work) {
    bool second_done = false;
    std::thread helper;
    if (prepare_worker()) {
        try {
            helper = std::thread([&] {
                if (!glXMakeContextCurrent(worker.display, worker.surface, worker.surface, worker.context)) return;
                work(1);
                glFinish();  // the lists are whole before the other context calls them
                glXMakeContextCurrent(worker.display, None, None, nullptr);
                second_done = true;
            });
        } catch (const std::system_error&) {
        }
    }
    work(0);
    if (helper.joinable()) helper.join();
    if (!second_done) work(1);
}
