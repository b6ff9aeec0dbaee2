// The terrain display list and the switches that change how the terrain looks.
#include "terrain/terrain_list.h"

#include <GL/gl.h>
#include <cassert>
#include <cstdio>
#include <cstdlib>

#include "state/terrain_draw_state.h"
#include "state/terrain_state.h"
#include "state/texture_state.h"
#include "terrain/terrain_mesh.h"

constexpr float EXAGGERATION_STEP = 0.25f;

namespace {

// One corner: normal (averaged mode only), flipped texture coordinate, position.
inline void emit_corner(const TerrainCorner& corner) {
    // The loader refuses corner numbers outside 1..vertex count.
    assert(corner.normal >= 1 && corner.normal <= terrain_vertex_count);
    if (average_normals) {
        const TerrainVertex& n = terrain_vertices[corner.normal - 1];
        glNormal3f(n.nx, n.ny, n.nz);
    }
    const TerrainVertex& t = terrain_vertices[corner.texcoord - 1];
    glTexCoord2f(t.s, 1.0f - t.t);
    const TerrainVertex& v = terrain_vertices[corner.vertex - 1];
    glVertex3f(v.x, v.y, v.z);
}

inline void emit_face_normal(const TerrainFace& face) {
    if (!average_normals) glNormal3f(face.nx, face.ny, face.nz);
}

void emit_triangle(const TerrainFace& face) {
    emit_face_normal(face);
    emit_corner(face.corners[0]);
    emit_corner(face.corners[1]);
    emit_corner(face.corners[2]);
}

}  // namespace

void compile_terrain_faces() {
    long emitted = 0;
    if (terrain_primitive == PRIMITIVE_TRIANGLES) {
        glBegin(GL_TRIANGLES);
        for (int f = 0; f < terrain_face_count; ++f) emit_triangle(terrain_faces[f]);
        glEnd();
        emitted = terrain_face_count;
    } else if (terrain_primitive == PRIMITIVE_QUADS) {
        // Faces f and f + 1 make one quad; f + 1 gives only its corner 1.
        int pairs_end = terrain_face_count - terrain_face_count % 2;
        glBegin(GL_QUADS);
        for (int f = 0; f < pairs_end; f += 2) {
            const TerrainFace& face = terrain_faces[f];
            emit_face_normal(face);
            emit_corner(face.corners[0]);
            emit_corner(terrain_faces[f + 1].corners[1]);
            emit_corner(face.corners[1]);
            emit_corner(face.corners[2]);
        }
        glEnd();
        emitted = pairs_end;
        if (pairs_end < terrain_face_count) {
            // An odd face out has no partner: draw it as the triangle it is.
            glBegin(GL_TRIANGLES);
            emit_triangle(terrain_faces[pairs_end]);
            glEnd();
            ++emitted;
        }
    }
    terrain_faces_compiled = emitted;
}

void rebuild_terrain_list(bool print_exaggeration) {
    if (terrain_list) glDeleteLists(terrain_list, 1);
    terrain_list = glGenLists(1);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    glNewList(terrain_list, GL_COMPILE);
    if (print_exaggeration) printf("\n%f\n", exaggeration);
    compile_terrain_faces();
    glEndList();
    fflush(stdout);
}

void release_terrain() {
    if (terrain_list) glDeleteLists(terrain_list, 1);
    terrain_list = 0;
    free(terrain_vertices);
    free(terrain_faces);
    terrain_vertices = nullptr;
    terrain_faces = nullptr;
    terrain_vertex_count = terrain_face_count = 0;
}

void increase_exaggeration() {
    exaggeration += EXAGGERATION_STEP;
    scale_terrain_heights(true);
    rebuild_terrain_list();
}

void decrease_exaggeration() {
    exaggeration -= EXAGGERATION_STEP;
    scale_terrain_heights(false);
    rebuild_terrain_list();
}

void toggle_textures() {
    if (textures_on) {
        textures_on = 0;
        glDisable(GL_TEXTURE_2D);
    } else {
        textures_on = 1;
        glEnable(GL_TEXTURE_2D);
    }
}

void toggle_average_normals() {
    average_normals = !average_normals;
    rebuild_terrain_list();
}

void set_render_mode(int mode) {
    render_mode = mode;
    if (mode == RENDER_POINT_CLOUD) glPolygonMode(GL_FRONT, GL_POINT);
    else if (mode == RENDER_WIRE_FRAME) glPolygonMode(GL_FRONT, GL_LINE);
    else if (mode == RENDER_FILLED) glPolygonMode(GL_FRONT, GL_FILL);
}

void reverse_winding_order() { glFrontFace(GL_CW); }
