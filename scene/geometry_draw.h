// Drawing the geometry layer in the scene: lit spheres and cones, billboards
// that face the viewer, and the wire cube round the selected item.
#pragma once

// The front material as five values: ambient, diffuse, specular (4 floats
// each), shininess, emission (4 floats).
void set_material(const float* ambient, const float* diffuse, const float* specular, float shininess,
                  const float* emission);

// Keeps the modelview's translation and drops its rotation and scale, so that
// what is drawn next faces the viewer; billboard_end undoes it.
void billboard_begin();
void billboard_end();

// Every item of the layer, under the camera's view. Entered with lighting on
// and texturing as textures_on says; leaves the matrices, lighting,
// texturing, blending and the terrain's material as it found them.
void draw_geometry_layer();
