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
