// The text of the read-outs, formatted from the current state.
#include "overlay/readouts.h"

#include <cstdio>

#include "geometry/geometry_layer.h"
#include "state/app_state.h"
#include "state/camera_state.h"
#include "state/frame_state.h"
#include "state/geometry_edit_state.h"
#include "state/geometry_state.h"
#include "state/mesh_edit_state.h"
#include "state/mouse_state.h"
#include "state/overlay_state.h"
#include "state/world_state.h"

constexpr int FPS_UPDATE_MS = 1000;

namespace {

// The vertex at `corner` (0..2) of the picked face, or null when either is
// out of range.
const TerrainVertex* picked_vertex(int corner) {
    if (picked_face < 0 || picked_face >= terrain_face_count || corner < 0 || corner > 2) return nullptr;
    return &terrain_vertices[terrain_faces[picked_face].corners[corner].vertex - 1];
}

void format_point(char* line, const char* format, const TerrainVertex* v) {
    snprintf(line, READOUT_LINE_SIZE, format, v->x, v->y, v->z);
}

}  // namespace

void count_frame_for_readout(int now_ms) {
    ++fps_frames;
    int elapsed = now_ms - fps_last_ms;
    if (elapsed <= FPS_UPDATE_MS) return;
    snprintf(fps_text, sizeof fps_text, "FPS:%4.2f Height:%4.2f", fps_frames * 1000.0 / elapsed, camera_eye_y);
    fps_last_ms = now_ms;
    fps_frames = 0;
    item_readout_text[0] = '\0';
}

const char* frame_rate_line() { return item_readout_text[0] ? item_readout_text : fps_text; }

void format_light_readout(char lines[4][READOUT_LINE_SIZE]) {
    snprintf(lines[0], READOUT_LINE_SIZE, "X:%3.1f Y:%3.1f Z:%3.1f", light0_position[0], light0_position[1],
             light0_position[2]);
    const float* colours[3] = {light0_ambient, light0_diffuse, light0_specular};
    for (int i = 0; i < 3; ++i) {
        snprintf(lines[i + 1], READOUT_LINE_SIZE, "R:%3.1f G:%3.1f B:%3.1f", colours[i][0], colours[i][1],
                 colours[i][2]);
    }
}

int format_edit_readout(char lines[3][READOUT_LINE_SIZE]) {
    if (vertex_edit_mode) {
        const TerrainVertex* v = picked_vertex(picked_corner);
        if (!v) return 0;
        format_point(lines[0], "X:%4.2f Y:%4.2f Z:%4.2f", v);
        return 1;
    }
    if (line_edit_mode) {
        const TerrainVertex* a = picked_vertex(picked_corner);
        const TerrainVertex* b = picked_vertex((picked_corner + 1) % 3);
        if (!a || !b) return 0;
        format_point(lines[0], "X1:%4.2f Y1:%4.2f Z1:%4.2f", a);
        format_point(lines[1], "X2:%4.2f Y2:%4.2f Z2:%4.2f", b);
        return 2;
    }
    if (face_edit_mode) return 0;
    if (geometry_transform_mode) {
        if (!is_geometry_item(selected_item)) return 0;
        const GeometryItem& g = geometry_items[selected_item];
        snprintf(lines[0], READOUT_LINE_SIZE, "X:%4.2f Y:%4.2f Z:%4.2f", g.x, g.y, g.z);
        return 1;
    }
    if (material_edit_mode) {
        snprintf(lines[0], READOUT_LINE_SIZE, "D: R:%4.2f G:%4.2f B:%4.2f", material_diffuse[0], material_diffuse[1],
                 material_diffuse[2]);
        snprintf(lines[1], READOUT_LINE_SIZE, "A: R:%4.2f G:%4.2f B:%4.2f", material_ambient[0], material_ambient[1],
                 material_ambient[2]);
        return 2;
    }
    if (replicate_mode) {
        snprintf(lines[0], READOUT_LINE_SIZE, "X:%4.2f Y:%4.2f Z:%4.2f", replicate_offset[0], replicate_offset[1],
                 replicate_offset[2]);
        snprintf(lines[1], READOUT_LINE_SIZE, "Quantity:%d", replicate_quantity);
        snprintf(lines[2], READOUT_LINE_SIZE, "Press 5 to Multi-Replicate");
        return 3;
    }
    return -1;
}
