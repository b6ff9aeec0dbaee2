// The view every frame is drawn with: field of view and clipping planes.
#pragma once

constexpr double VIEW_FIELD_OF_VIEW = 90.0;  // vertical field of view, degrees
constexpr double VIEW_NEAR = 0.1;            // near clipping plane, world units
constexpr double VIEW_FAR = 50000.0;         // far clipping plane, world units
