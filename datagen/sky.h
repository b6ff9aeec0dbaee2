// Paints the six pictures of the sky box around the world from one continuous picture of the sky.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

const int sky_face_count = 6;
const int sky_size = 256;  // texels along each side of a face

struct sky_direction {
    double x;
    double y;
    double z;
};

// The world direction (not normalised) that the viewer's box shows at
// texture coordinates (s, t) of the given face, 0 <= face < sky_face_count.
sky_direction aim_sky_texel(int face, double s, double t);

// One face as RGB rows, the first row at t = 0; empty for an unknown face.
std::vector<uint8_t> paint_sky_face(int face);

// Writes <folder>/sky_0.raw ... sky_5.raw.
bool write_sky_pictures(const std::string& folder, std::string& error);
