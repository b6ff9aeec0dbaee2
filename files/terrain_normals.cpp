// Face normals, per-vertex face lists and averaged vertex normals.
#include "files/terrain_normals.h"

#include <cassert>
#include <cmath>

#include "files/parallel.h"

void normalize3(float* v) {
    // The square root is taken in double precision, as the stored files expect.
    float length = (float)std::sqrt((double)(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    if (length == 0.0f) length = 1.0f;
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

void face_normal(const float* corners, float* out) {
    const float* p0 = corners;
    const float* p1 = corners + 3;
    const float* p2 = corners + 6;
    float a[3] = {p0[0] - p1[0], p0[1] - p1[1], p0[2] - p1[2]};
    float b[3] = {p1[0] - p2[0], p1[1] - p2[1], p1[2] - p2[2]};
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
    normalize3(out);
}

void compute_face_normal(const TerrainVertex* vertices, TerrainFace* face) {
    float corners[9];
    for (int c = 0; c < 3; ++c) {
        const TerrainVertex& v = vertices[face->corners[c].vertex - 1];
        corners[c * 3 + 0] = v.x;
        corners[c * 3 + 1] = v.y;
        corners[c * 3 + 2] = v.z;
    }
    float n[3];
    face_normal(corners, n);
    face->nx = n[0];
    face->ny = n[1];
    face->nz = n[2];
}

bool add_vertex_face(TerrainVertex* vertex, int face_index) {
    if (vertex->face_count >= MAX_VERTEX_FACES) return false;
    vertex->faces[vertex->face_count++] = face_index;
    return true;
}

namespace {

void average_vertex_range(TerrainVertex* vertices, int first, int end, const TerrainFace* faces, int face_count) {
    for (int i = first; i < end; ++i) {
        TerrainVertex* v = &vertices[i];
        float sum[3] = {0.0f, 0.0f, 0.0f};
        for (int k = 0; k < v->face_count; ++k) {
            int f = v->faces[k];
            assert(f >= 0 && f < face_count);  // the loader lists only faces it stored
            (void)face_count;
            sum[0] += faces[f].nx;
            sum[1] += faces[f].ny;
            sum[2] += faces[f].nz;
        }
        normalize3(sum);
        v->nx = sum[0];
        v->ny = sum[1];
        v->nz = sum[2];
    }
}

}  // namespace

void average_vertex_normals(TerrainVertex* vertices, int vertex_count,
                            const TerrainFace* faces, int face_count) {
    // Each vertex is averaged on its own, so the parts can go to every core.
    run_parallel_parts([&](int part) {
        int first, end;
        parallel_share(vertex_count, part, &first, &end);
        average_vertex_range(vertices, first, end, faces, face_count);
    }, vertex_count);
}
