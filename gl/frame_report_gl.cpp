// Publishing the frame count on the window for tests that drive the program.
#include "gl/frame_report.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cstdlib>

#include "state/frame_state.h"
#include "state/gl_state.h"
#include "state/world_state.h"

void report_frame_count() {
    if (frame_report_switch < 0) frame_report_switch = getenv(FRAME_REPORT_VARIABLE) ? 1 : 0;
    if (!frame_report_switch) return;
    Display* display = glXGetCurrentDisplay();
    GLXDrawable window = glXGetCurrentDrawable();
    if (!display || !window) return;
    if (frame_report_atom == None) frame_report_atom = XInternAtom(display, FRAME_REPORT_PROPERTY, False);
    unsigned long counts[2] = {(unsigned long)frames_drawn, (unsigned long)terrain_level_draws};
    XChangeProperty(display, (Window)window, frame_report_atom, XA_CARDINAL, 32, PropModeReplace,
                    (const unsigned char*)counts, 2);
    XFlush(display);
}
