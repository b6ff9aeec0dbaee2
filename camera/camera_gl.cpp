// The camera's view transform.
#include <GL/glu.h>

#include "camera/camera.h"

void apply_view() {
    double v[9];
    camera_look_at(v);
    glLoadIdentity();
    gluLookAt(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
}
