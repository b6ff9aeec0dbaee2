// The terrain display lists (one per piece of a tile), drawing the visible
// tiles, and the switches that change how the terrain looks.
#include "terrain/terrain_list.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/parallel.h"
#include "gl/list_worker.h"
#include "state/gl_state.h"
#include "state/overlay_state.h"
#include "state/session_state.h"
#include "state/terrain_draw_state.h"
#include "state/texture_state.h"
#include "state/world_state.h"
#include "terrain/level_cache.h"
#include "terrain/level_lists.h"
#include "terrain/level_shading.h"
#include "terrain/terrain_mesh.h"
#include "terrain/terrain_tiles.h"

constexpr double CULL_MARGIN_PIXELS = 2.0;  // beyond half the point size or line width
// The software rasteriser bins a whole frame before drawing any of it; handing
// it the faces in batches of this many lets its threads draw one batch while
// the next is binned, and keeps its bins small (measured: a third more frames
// a second and 70 MiB less peak memory at 2 million faces).
constexpr long FLUSH_FACES = 32768;
// Drawn as lines or points, a face takes the rasteriser about three times the
// memory of a filled one (some 1 KiB); half the batch keeps every batch well
// below the 36 MiB at which it would flush on its own, without a held fence.
constexpr long FLUSH_OUTLINE_FACES = FLUSH_FACES / 2;

namespace {

// Mesa 22's software rasteriser frees a batch's fence as soon as it sees the
// batch done, which can be while the rasteriser thread that finished it is
// still signalling it; that thread then waits forever on freed memory and the
// viewer freezes. A fence sync on each flushed batch keeps its fence alive
// until the caller knows the GL is past later drawing (every rasteriser thread
// is then past the batch: they take the batches in order, all together).
// Held fences at which a caller that never releases them is assumed: the GL
// is waited for and they all go (one is made per FLUSH_FACES faces drawn).
constexpr size_t MAX_DRAW_FENCES = 65536;

// What the last emitted corner left current; the tail of the whole terrain.
// Per thread: two threads compile pieces at once.
thread_local float emitted_normal[3], emitted_texcoord[2];
// average_normals as the compile began: a background compile keeps the
// value it was queued with while the frame may switch it.
thread_local int emitting_normals = 1;

// One corner: normal (averaged mode only), flipped texture coordinate, position.
inline void emit_corner(const TerrainCorner& corner) {
    // The loader refuses corner numbers outside 1..vertex count.
    assert(corner.normal >= 1 && corner.normal <= terrain_vertex_count);
    if (emitting_normals) {
        const TerrainVertex& n = terrain_vertices[corner.normal - 1];
        glNormal3f(n.nx, n.ny, n.nz);
        emitted_normal[0] = n.nx;
        emitted_normal[1] = n.ny;
        emitted_normal[2] = n.nz;
    }
    const TerrainVertex& t = terrain_vertices[corner.texcoord - 1];
    emitted_texcoord[0] = t.s;
    emitted_texcoord[1] = 1.0f - t.t;
    glTexCoord2f(emitted_texcoord[0], emitted_texcoord[1]);
    const TerrainVertex& v = terrain_vertices[corner.vertex - 1];
    glVertex3f(v.x, v.y, v.z);
}

inline void emit_face_normal(const TerrainFace& face) {
    if (!emitting_normals) {
        glNormal3f(face.nx, face.ny, face.nz);
        emitted_normal[0] = face.nx;
        emitted_normal[1] = face.ny;
        emitted_normal[2] = face.nz;
    }
}

void emit_triangle(const TerrainFace& face) {
    emit_face_normal(face);
    emit_corner(face.corners[0]);
    emit_corner(face.corners[1]);
    emit_corner(face.corners[2]);
}

// Emits the faces at places first .. end - 1 of `order` (null: the faces
// themselves; a pair of faces starts at `first`) exactly as the whole
// terrain emits them; returns the number of faces emitted.
long emit_faces(int first, int end, const int* order) {
    auto face_at = [order](int place) -> const TerrainFace& { return terrain_faces[order ? order[place] : place]; };
    if (terrain_primitive == PRIMITIVE_TRIANGLES) {
        glBegin(GL_TRIANGLES);
        for (int f = first; f < end; ++f) emit_triangle(face_at(f));
        glEnd();
        return end - first;
    }
    if (terrain_primitive != PRIMITIVE_QUADS) return 0;
    // Faces f and f + 1 make one quad; f + 1 gives only its corner 1.
    int pairs_end = end - (end - first) % 2;
    glBegin(GL_QUADS);
    for (int f = first; f < pairs_end; f += 2) {
        const TerrainFace& face = face_at(f);
        emit_face_normal(face);
        emit_corner(face.corners[0]);
        emit_corner(face_at(f + 1).corners[1]);
        emit_corner(face.corners[1]);
        emit_corner(face.corners[2]);
    }
    glEnd();
    if (pairs_end < end) {
        // An odd face out has no partner: draw it as the triangle it is.
        glBegin(GL_TRIANGLES);
        emit_triangle(face_at(pairs_end));
        glEnd();
    }
    return end - first;
}

// Compiles piece p into its list with the current normals switch; the
// piece holding the last face records what the whole terrain leaves current
// (unless `tail` is false: a background compile leaves that to the frame's thread).
long compile_terrain_piece(int p, bool tail = true, int normals = average_normals) {
    const TerrainPiece& piece = terrain_pieces[p];
    emitting_normals = normals;
    glNewList(terrain_piece_lists + p, GL_COMPILE);
    long emitted = emit_faces(piece.first_face, piece.face_end, terrain_face_order);
    glEndList();
    if (tail && piece.face_end == terrain_face_count) {
        terrain_tail_set = emitted > 0;
        memcpy(terrain_tail_normal, emitted_normal, sizeof terrain_tail_normal);
        memcpy(terrain_tail_texcoord, emitted_texcoord, sizeof terrain_tail_texcoord);
    }
    return emitted;
}

// Compiles every piece, the two halves of the faces on two GL contexts
// when the terrain is large enough to be worth it; returns the faces emitted.
long compile_all_terrain_pieces() {
    if (terrain_face_count < PARALLEL_MIN_AMOUNT) {
        long emitted = 0;
        for (int p = 0; p < terrain_piece_count; ++p) emitted += compile_terrain_piece(p);
        return emitted;
    }
    int middle = 0;  // the first piece of the second half
    while (middle < terrain_piece_count && terrain_pieces[middle].face_end <= terrain_face_count / 2) ++middle;
    long emitted[2] = {0, 0};
    run_on_both_gl_contexts([&](int part) {
        int first = part == 0 ? 0 : middle, end = part == 0 ? middle : terrain_piece_count;
        for (int p = first; p < end; ++p) emitted[part] += compile_terrain_piece(p);
    });
    return emitted[0] + emitted[1];
}

// The pieces cover the faces of the installed mesh (not those of a mesh
// installed since the last full rebuild).
bool tiles_match_mesh() {
    return terrain_piece_lists && terrain_list && terrain_piece_count > 0 &&
           terrain_pieces[terrain_piece_count - 1].face_end == terrain_face_count;
}

void delete_terrain_lists() {
    if (terrain_list) glDeleteLists(terrain_list, 1);
    if (terrain_piece_lists && terrain_piece_count > 0) glDeleteLists(terrain_piece_lists, terrain_piece_count);
    terrain_list = 0;
    terrain_piece_lists = 0;
}

// Side margins in device units: half the widest point or line plus a little,
// so nothing a primitive outside the frustum could touch is lost.
void cull_margins(double* margin_x, double* margin_y) {
    GLint viewport[4];
    GLfloat point_size = 1.0f, line_width = 1.0f;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_POINT_SIZE, &point_size);
    glGetFloatv(GL_LINE_WIDTH, &line_width);
    double pixels = (point_size > line_width ? point_size : line_width) / 2.0 + CULL_MARGIN_PIXELS;
    *margin_x = 2.0 * pixels / (viewport[2] > 0 ? viewport[2] : 1);
    *margin_y = 2.0 * pixels / (viewport[3] > 0 ? viewport[3] : 1);
}

// Hands the faces drawn so far to the rasteriser (as glFlush would) and holds
// the batch's fence until release_terrain_draw_fences.
void hold_flushed_batch() {
    if (terrain_draw_fences.size() >= MAX_DRAW_FENCES) {
        glFinish();
        release_terrain_draw_fences(terrain_draws_done);
    }
    GLsync sync = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (sync) terrain_draw_fences.push_back({sync, terrain_draws_done});
    else glFinish();  // no fence to hold: wait for the batch instead
}

// The tile holding the last face (whose list leaves the terrain's tail).
int tail_tile() { return terrain_piece_count > 0 ? terrain_pieces[terrain_piece_count - 1].tile : -1; }

// Compiles every tile that must hold its own faces from the start: on
// demand, those no level can stand in for and the tail's; otherwise all.
void compile_starting_tiles(bool on_demand) {
    if (!on_demand) {
        terrain_faces_compiled = compile_all_terrain_pieces();
        terrain_tiles_compiled = terrain_tile_count;
        return;
    }
    for (int t = 0; t < terrain_tile_count; ++t) {
        if (t != tail_tile() && terrain_tile_has_level(t)) continue;
        claim_terrain_tile_lists(t);
        terrain_faces_compiled += compile_terrain_tile_lists(t, average_normals, true);
        ++terrain_tiles_compiled;
    }
}

}  // namespace

long compile_terrain_tile_lists(int tile, int normals, bool tail) {
    const TerrainTile& t = terrain_tiles[tile];
    long emitted = 0;
    for (int s = 0; s < t.piece_count; ++s) emitted += compile_terrain_piece(terrain_tile_pieces[t.first_slot + s], tail, normals);
    return emitted;
}

void empty_terrain_tile_lists(int tile) {
    const TerrainTile& t = terrain_tiles[tile];
    for (int s = 0; s < t.piece_count; ++s) {
        glNewList(terrain_piece_lists + terrain_tile_pieces[t.first_slot + s], GL_COMPILE);
        glEndList();
    }
}

void compile_terrain_faces() {
    emitting_normals = average_normals;
    terrain_faces_compiled = emit_faces(0, terrain_face_count, nullptr);
}

void rebuild_terrain_list(bool print_exaggeration) {
    stop_terrain_levels();
    delete_terrain_lists();
    if (!build_terrain_tiles(terrain_tile_faces)) {
        // Without room for the tiles the terrain is one tile of one piece.
        report_problem("Not enough memory to cut the terrain into tiles");
        build_terrain_tiles(terrain_face_count + 1);
    }
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    if (print_exaggeration) printf("\n%f\n", exaggeration);
    terrain_tail_set = 0;
    terrain_faces_compiled = 0;
    terrain_tiles_compiled = 0;
    if (terrain_piece_count > 0) terrain_piece_lists = glGenLists(terrain_piece_count);
    bool levels_started = false;
    if (terrain_piece_count > 0 && !terrain_piece_lists) {
        report_problem("No display lists left for the %d pieces of the terrain", terrain_piece_count);
    } else {
        // With levels, a tile's own faces are compiled only while it is drawn
        // with them; levels read from the cache can stand in from the first
        // frame, built ones only once they are done, so until then every
        // tile holds its faces.
        bool on_demand = terrain_tile_count > 0 && terrain_levels_wanted();
        reset_terrain_exact_lists(on_demand);
        bool levels_ready = false;
        if (on_demand && terrain_level_cache_wanted()) {
            levels_ready = start_terrain_levels();
            levels_started = true;
        }
        compile_starting_tiles(levels_ready);
        if (!levels_ready) mark_terrain_tiles_compiled();
    }
    terrain_list = glGenLists(1);
    glNewList(terrain_list, GL_COMPILE);
    for (int p = 0; terrain_piece_lists && p < terrain_piece_count; ++p) glCallList(terrain_piece_lists + p);
    glEndList();
    if (terrain_piece_lists && !levels_started) start_terrain_levels();
    fflush(stdout);
}

void recompile_terrain_tiles(bool print_exaggeration) {
    if (!tiles_match_mesh()) {
        rebuild_terrain_list(print_exaggeration);
        return;
    }
    refresh_terrain_tile_boxes();
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    if (print_exaggeration) printf("\n%f\n", exaggeration);
    terrain_tail_set = 0;
    if (!terrain_exact_on_demand) {
        terrain_faces_compiled = compile_all_terrain_pieces();
        terrain_tiles_compiled = terrain_tile_count;
        recompile_terrain_levels();
        fflush(stdout);
        return;
    }
    // Only the tiles holding their faces (and the tail's) are compiled again;
    // the others wait for the levels, which stand in for them once their
    // lists are compiled again too.
    restart_terrain_exact_lists();
    terrain_faces_compiled = 0;
    terrain_tiles_compiled = 0;
    for (int t = 0; t < terrain_tile_count; ++t) {
        if (t != tail_tile() && terrain_tile_exact[t] != EXACT_READY) continue;
        claim_terrain_tile_lists(t);
        terrain_faces_compiled += compile_terrain_tile_lists(t, average_normals, true);
        ++terrain_tiles_compiled;
    }
    recompile_terrain_levels();
    wait_for_terrain_level_lists();
    fflush(stdout);
}

void rebuild_terrain_tiles_for_vertices(const int* vertices, int count, bool print_exaggeration) {
    if (print_exaggeration) printf("\n%f\n", exaggeration);
    fflush(stdout);
    terrain_faces_compiled = 0;
    terrain_tiles_compiled = 0;
    if (terrain_face_count == 0) return;
    if (!tiles_match_mesh()) {
        rebuild_terrain_list(false);
        return;
    }
    unsigned char* marks = (unsigned char*)calloc((size_t)terrain_tile_count, 1);
    if (!marks) {
        rebuild_terrain_list(false);
        return;
    }
    mark_terrain_tiles_for_vertices(vertices, count, marks);
    update_level_shading_for_vertices(vertices, count);
    glBindTexture(GL_TEXTURE_2D, terrain_texture);
    for (int t = 0; t < terrain_tile_count; ++t) {
        if (!marks[t]) continue;
        refresh_terrain_tile_box(t);
        claim_terrain_tile_lists(t);
        terrain_faces_compiled += compile_terrain_tile_lists(t, average_normals, true);
        ++terrain_tiles_compiled;
        rebuild_terrain_tile_levels(t);
    }
    free(marks);
}

void draw_visible_terrain() {
    ++terrain_draws_done;
    terrain_pieces_drawn = 0;
    if (!terrain_piece_lists) return;
    double projection[16], modelview[16], margin_x, margin_y;
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    cull_margins(&margin_x, &margin_y);
    TerrainFrustum frustum;
    make_terrain_frustum(projection, modelview, margin_x, margin_y, &frustum);
    mark_visible_terrain_tiles(&frustum);
    GLint polygon_mode[2] = {GL_FILL, GL_FILL};
    glGetIntegerv(GL_POLYGON_MODE, polygon_mode);
    long batch_faces = polygon_mode[0] == GL_FILL ? FLUSH_FACES : FLUSH_OUTLINE_FACES;
    // Filled drawing takes the chosen level of a tile or of its group in place
    // of its pieces; wire frame and points show the faces. The exact pieces
    // go first, then every level in one run, so that the levels' lighting
    // program is bound once a frame (each switch costs the GL a revalidation),
    // nearest first, so that the depth test spares hidden ground its lighting.
    bool levels = polygon_mode[0] == GL_FILL;
    long unflushed = 0;
    bool level_called = false;
    terrain_level_faces_drawn = 0;
    terrain_level_tiles.clear();
    double eye[3];  // where the modelview puts the eye, in the terrain's own axes
    for (int i = 0; i < 3; ++i)
        eye[i] = -(modelview[4 * i] * modelview[12] + modelview[4 * i + 1] * modelview[13] +
                   modelview[4 * i + 2] * modelview[14]);
    auto count_faces = [&](long faces) {
        terrain_level_faces_drawn += faces;
        unflushed += faces;
        if (unflushed >= batch_faces) {
            hold_flushed_batch();
            unflushed = 0;
        }
    };
    for (int p = 0; p < terrain_piece_count; ++p) {
        int tile = terrain_pieces[p].tile;
        if (!terrain_tile_visible[tile]) continue;
        if (levels && terrain_tile_level(tile) > 0) continue;
        // Never a hole: a tile that must show its faces and holds none
        // (nothing could stand in) has them compiled here.
        if (terrain_exact_on_demand) hold_terrain_tile_lists(tile);
        glCallList(terrain_piece_lists + p);
        ++terrain_pieces_drawn;
        count_faces(terrain_pieces[p].face_end - terrain_pieces[p].first_face);
    }
    // A tile's pieces all draw its level: one entry a tile (a grid of 26M
    // faces has some 1,600 tiles and many times as many pieces).
    for (int tile = 0; levels && tile < terrain_tile_count; ++tile) {
        if (!terrain_tile_visible[tile] || terrain_tile_level(tile) <= 0) continue;
        const TerrainTile& t = terrain_tiles[tile];
        double distance = t.unbounded ? 0.0 : distance_to_box(eye, t.box_min, t.box_max);
        terrain_level_tiles.push_back({std::isfinite(distance) ? distance : 0.0, tile});  // a sortable key
    }
    std::sort(terrain_level_tiles.begin(), terrain_level_tiles.end());
    for (const std::pair<double, int>& entry : terrain_level_tiles) {
        int tile = entry.second;
        long faces = 0;
        unsigned level_list = 0;
        if (!terrain_tile_drawn_by_level(tile, terrain_draws_done, &level_list, &faces) || !level_list) continue;
        begin_level_shading();
        glCallList(level_list);
        level_called = true;
        count_faces(faces);
    }
    end_level_shading();
    terrain_level_draws += level_called;
    // Whatever is drawn next finds the normal and texture coordinate the whole
    // terrain would have left current (raster positions and unlit normals use them).
    if (terrain_tail_set) {
        glNormal3fv(terrain_tail_normal);
        glTexCoord2fv(terrain_tail_texcoord);
    }
}

void release_terrain_draw_fences(long through_draw) {
    size_t kept = 0;
    for (const TerrainDrawFence& fence : terrain_draw_fences) {
        if (fence.draw <= through_draw) glDeleteSync(fence.sync);
        else terrain_draw_fences[kept++] = fence;
    }
    terrain_draw_fences.resize(kept);
}

int terrain_draw_fences_held() { return (int)terrain_draw_fences.size(); }

void release_terrain_lists() {
    stop_terrain_levels();
    glFinish();
    release_terrain_draw_fences(terrain_draws_done);
    delete_terrain_lists();
}

void release_terrain() {
    release_terrain_lists();
    reset_world_state();
}

void send_texture_switch() {
    if (textures_on) glEnable(GL_TEXTURE_2D);
    else glDisable(GL_TEXTURE_2D);
}

void send_render_mode() {
    if (render_mode == RENDER_POINT_CLOUD) glPolygonMode(GL_FRONT, GL_POINT);
    else if (render_mode == RENDER_WIRE_FRAME) glPolygonMode(GL_FRONT, GL_LINE);
    else if (render_mode == RENDER_FILLED) glPolygonMode(GL_FRONT, GL_FILL);
}

void reverse_winding_order() { glFrontFace(GL_CW); }
