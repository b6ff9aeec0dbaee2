// Drawing what a fly-over shows over the scene: the route, the rider, labels, read-outs and profile.
#include <GL/freeglut.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "state/terrain_draw_state.h"
#include "video/render_options.h"
#include "video/ride_story.h"

namespace {

constexpr double LINE_DEPTH_BIAS = 4e-7;         // the line wins against ground this much deeper (window depth)
const float TRAVELLED[3] = {1.0f, 0.45f, 0.08f};  // orange: the part ridden
const float AHEAD[3] = {1.0f, 1.0f, 1.0f};        // white: the part to come
const float OUTLINE[4] = {0.05f, 0.05f, 0.08f, 0.65f};
const float PANEL[4] = {0.0f, 0.0f, 0.0f, 0.45f};
constexpr double STROKE_CAPITAL = 119.05;        // units of GLUT's Roman capitals
constexpr double ROUTE_LABEL_REACH = 6.0;        // labels are shown out to this many times the camera's distance
                                                 // to the rider (far ones would only clutter)

// Draws points [first, last] of the line, then on to `extra` (null: not).
void draw_strip(size_t first, size_t last, const float* extra) {
    if (last > first) glDrawArrays(GL_LINE_STRIP, (GLint)first, (GLsizei)(last - first + 1));
    if (!extra) return;
    glBegin(GL_LINES);
    glArrayElement((GLint)last);
    glVertex3fv(extra);
    glEnd();
}

// The travelled part (points up to `travelled` - 1, then the rider) or the
// part to come (the rider, then points from `travelled`) of every run.
void draw_part(const RideStory& story, size_t travelled, const float rider[3], bool ridden) {
    const size_t k = travelled == 0 ? 0 : travelled - 1;  // the rider is on segment k
    for (const RouteRun& run : story.runs) {
        if (ridden) {
            if (travelled == 0 || run.first > k) continue;
            if (run.last <= k) draw_strip(run.first, run.last, nullptr);
            else draw_strip(run.first, k, rider);
        } else {
            if (run.last <= k && travelled > 0) continue;
            if (run.first > k || travelled == 0) draw_strip(run.first, run.last, nullptr);
            else {
                glBegin(GL_LINES);
                glVertex3fv(rider);
                glArrayElement((GLint)(k + 1));
                glEnd();
                draw_strip(k + 1, run.last, nullptr);
            }
        }
    }
}

// Back to the pipeline's rest state after drawing the story.
void restore_rest_state() {
    glPointSize(1.0f);
    glLineWidth(1.0f);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_POINT_SMOOTH);
    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    if (textures_on) glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void begin_pixels(int width, int height) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, width, 0.0, height);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void end_pixels() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

double measure_text(const std::string& text, double height) {
    return glutStrokeLength(GLUT_STROKE_ROMAN, (const unsigned char*)text.c_str()) * height / STROKE_CAPITAL;
}

// Text with its baseline's left end at (x, y), capitals `height` pixels tall, over a dark shadow.
void draw_text(const std::string& text, double x, double y, double height) {
    const double scale = height / STROKE_CAPITAL;
    const float weight = (float)std::max(1.5, height / 11.0);
    for (int pass = 0; pass < 2; ++pass) {
        glLineWidth(pass == 0 ? weight + 2.5f : weight);
        if (pass == 0) glColor4fv(OUTLINE);
        else glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glPushMatrix();
        glTranslated(x, y, 0.0);
        glScaled(scale, scale, 1.0);
        glutStrokeString(GLUT_STROKE_ROMAN, (const unsigned char*)text.c_str());
        glPopMatrix();
    }
}

void fill_box(const int box[4], const float colour[4]) {
    glColor4fv(colour);
    glRecti(box[0], box[1], box[0] + box[2], box[1] + box[3]);
}

// Names beside the signposts in front of the camera and not too far.
void draw_labels(const Ride& ride, const RideStory& story, const double view[16], const double projection[16],
                 const int viewport[4], const double eye[3], double reach) {
    const double eye_x = eye[0], eye_y = eye[1], eye_z = eye[2];
    const double height = 0.8 * story.text_height;
    for (const RideWaypoint& w : ride.waypoints) {
        if (w.name.empty()) continue;
        const double y = w.y + story.label_lift;
        if (std::hypot(w.x - eye_x, w.z - eye_z, y - eye_y) > reach) continue;
        double px = 0.0, py = 0.0, pz = 0.0;
        if (!gluProject(w.x, y, w.z, view, projection, viewport, &px, &py, &pz) || pz <= 0.0 || pz >= 1.0) continue;
        // From the window to the story's pixels: an eye's part may lie anywhere in it, squeezed.
        px = (px - viewport[0]) * story.width / viewport[2];
        py = (py - viewport[1]) * story.height / viewport[3];
        if (px < -story.width || px > 2 * story.width || py < 0 || py > story.height) continue;
        draw_text(w.name, px + 0.6 * height, py, height);
    }
}

void draw_readouts(const Ride& ride, const RideStory& story, double along) {
    std::string lines[STORY_READOUT_LINES];
    format_ride_readouts(ride, along, lines);
    const double h = story.text_height;
    int box[4] = {story.readout_box[0], story.readout_box[1], story.readout_box[2], story.readout_box[3]};
    int shown = 0;
    double widest = 0.0;
    for (const std::string& line : lines)
        if (!line.empty()) {
            ++shown;
            widest = std::max(widest, measure_text(line, h));
        }
    box[2] = std::max(box[2], (int)std::lround(widest + 1.6 * h));
    const int rows = (int)std::lround(h * (1.7 * shown + 0.8));
    box[1] += box[3] - rows;
    box[3] = rows;
    fill_box(box, PANEL);
    double y = box[1] + box[3] - 0.4 * h - h;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        draw_text(line, box[0] + 0.8 * h, y, h);
        y -= 1.7 * h;
    }
}

void draw_profile(const RideStory& story, double along) {
    fill_box(story.profile_box, PANEL);
    const size_t columns = story.profile.size() / 2, travelled = count_profile_travelled(story, along);
    const float bottom = (float)story.profile_box[1];
    // The ground under the line, ridden part in the rider's colour.
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, story.profile_fill.data());
    const GLsizei ridden = (GLsizei)std::min(columns, travelled + 1);
    glColor4f(TRAVELLED[0], TRAVELLED[1], TRAVELLED[2], 0.55f);
    if (travelled > 0) glDrawArrays(GL_TRIANGLE_STRIP, 0, 2 * ridden);
    glColor4f(0.85f, 0.85f, 0.85f, 0.35f);
    if (ridden < (GLsizei)columns)
        glDrawArrays(GL_TRIANGLE_STRIP, 2 * (ridden - 1), 2 * ((GLsizei)columns - ridden + 1));
    glDisableClientState(GL_VERTEX_ARRAY);
    glLineWidth(std::max(1.5f, story.line_width * 0.5f));
    glDisable(GL_LINE_SMOOTH);
    glColor4f(1.0f, 1.0f, 1.0f, 0.9f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, story.profile.data());
    glDrawArrays(GL_LINE_STRIP, 0, (GLsizei)columns);
    glDisableClientState(GL_VERTEX_ARRAY);
    // The rider's place.
    const size_t c = std::min(columns - 1, travelled == 0 ? 0 : travelled - 1);
    glLineWidth(std::max(1.0f, story.line_width * 0.4f));
    glBegin(GL_LINES);
    glVertex2f(story.profile[2 * c], bottom);
    glVertex2f(story.profile[2 * c], (float)(story.profile_box[1] + story.profile_box[3]));
    glEnd();
    glPointSize(story.marker_size * 0.6f);
    glColor4fv(OUTLINE);
    glBegin(GL_POINTS);
    glVertex2f(story.profile[2 * c], story.profile[2 * c + 1]);
    glEnd();
    glPointSize(story.marker_size * 0.42f);
    glColor3fv(TRAVELLED);
    glBegin(GL_POINTS);
    glVertex2f(story.profile[2 * c], story.profile[2 * c + 1]);
    glEnd();
}

}  // namespace

void draw_ride_route() {
    const Ride& ride = render_ride;
    const RideStory& story = render_story;
    const double along = render_rider_along;
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // The rider on the drawn line; on a crossing, where the route is.
    float rider[3];
    size_t travelled = count_route_travelled(story, along, rider);
    const size_t k = travelled == 0 ? 0 : travelled - 1;
    const bool on_line = !story.line_s.empty() && k + 1 < story.line_s.size() &&
                         std::any_of(story.runs.begin(), story.runs.end(),
                                     [k](const RouteRun& r) { return r.first <= k && k < r.last; });
    if (!on_line) {
        size_t at = 0;
        double point[3];
        locate_on_ride_route(ride, along, &at, point);
        rider[0] = (float)point[0];
        rider[1] = (float)point[1];
        rider[2] = (float)point[2];
    }
    if (!(story.hidden & STORY_ROUTE) && !story.line_s.empty()) {
        glDepthRange(0.0, 1.0 - LINE_DEPTH_BIAS);
        glDepthMask(GL_FALSE);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, story.line.data());
        glLineWidth(story.line_width + 3.0f);
        glColor4fv(OUTLINE);
        draw_part(story, travelled, rider, true);
        draw_part(story, travelled, rider, false);
        glLineWidth(story.line_width);
        glEnable(GL_LINE_SMOOTH);  // the core's edges only: a smooth outline would cost five times as much
        glColor3fv(TRAVELLED);
        draw_part(story, travelled, rider, true);
        glColor3fv(AHEAD);
        draw_part(story, travelled, rider, false);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDepthMask(GL_TRUE);
        glDepthRange(0.0, 1.0);
    }
    if (ride.chase && !(story.hidden & STORY_MARKER)) {
        // Always in sight, even behind a ridge: it is what the viewer follows.
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_POINT_SMOOTH);
        const float sizes[3] = {story.marker_size + 4.0f, story.marker_size, story.marker_size * 0.55f};
        const float colours[3][4] = {{OUTLINE[0], OUTLINE[1], OUTLINE[2], 0.8f},
                                     {1.0f, 1.0f, 1.0f, 1.0f},
                                     {TRAVELLED[0], TRAVELLED[1], TRAVELLED[2], 1.0f}};
        for (int i = 0; i < 3; ++i) {
            glPointSize(sizes[i]);
            glColor4fv(colours[i]);
            glBegin(GL_POINTS);
            glVertex3fv(rider);
            glEnd();
        }
        glEnable(GL_DEPTH_TEST);
    }
    restore_rest_state();
}

void draw_ride_panels() {
    const Ride& ride = render_ride;
    const RideStory& story = render_story;
    const double along = render_rider_along;
    if ((story.hidden & (STORY_LABELS | STORY_READOUTS | STORY_PROFILE)) == (STORY_LABELS | STORY_READOUTS | STORY_PROFILE))
        return;
    double view[16], projection[16];
    int viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, view);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    begin_pixels(story.width, story.height);
    if (!(story.hidden & STORY_LABELS)) {
        size_t at = 0;
        double rider[3];
        locate_on_ride_route(ride, along, &at, rider);
        // The eye from the view matrix: minus its rotation's transpose times its translation.
        double eye[3];
        for (int c = 0; c < 3; ++c) eye[c] = -(view[4 * c] * view[12] + view[4 * c + 1] * view[13] + view[4 * c + 2] * view[14]);
        const double reach =
            ROUTE_LABEL_REACH * std::max(500.0, std::hypot(rider[0] - eye[0], rider[1] - eye[1], rider[2] - eye[2]));
        draw_labels(ride, story, view, projection, viewport, eye, reach);
    }
    if (!(story.hidden & STORY_READOUTS)) draw_readouts(ride, story, along);
    if (!(story.hidden & STORY_PROFILE)) draw_profile(story, along);
    end_pixels();
    glEnable(GL_DEPTH_TEST);
    restore_rest_state();
}
