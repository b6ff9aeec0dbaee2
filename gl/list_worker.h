// A second GL context, on a thread of its own, that shares the display lists
// of the context current on this thread: long list compiles run on both cores.
#pragma once

#include <functional>

// Runs work(0) on this thread and work(1) on a second thread whose GL context
// shares this context's lists, and returns when both are done. When no such
// context can be had (no current context, no off-screen surface, the thread
// cannot start or bind it), work(1) runs here after work(0) instead. The two
// parts must not compile the same list.
void run_on_both_gl_contexts(const std::function<void(int)>& work);

// A GL context for a long-lived thread of its own that shares the lists of
// the context current on this thread, so that lists can be compiled there
// while this thread goes on drawing.
struct SharedGlContext;

// Made on this thread, while the context to share with is current; null
// when none can be had (no current context, no off-screen surface).
SharedGlContext* make_shared_gl_context();

// Makes the context current on the calling thread (bind) or releases it
// from the thread it is current on (!bind); false if GLX refuses. A context
// is current on one thread at a time.
bool bind_shared_gl_context(SharedGlContext* context, bool bind);

// Destroys a context that is current on no thread; null does nothing.
void destroy_shared_gl_context(SharedGlContext* context);
