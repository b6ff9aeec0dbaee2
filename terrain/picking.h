// Picking a terrain face with a ray through the scene (no GL).
#pragma once

// The sum, in radians, of the angles that consecutive corners (n points of
// three doubles) subtend at point p. 2 pi for a point inside or on the edge
// of a triangle; less outside. A point on a corner prints "Found Node" and
// counts as inside.
double angle_sum(double px, double py, double pz, const double (*corners)[3], int n);

// Picks the face that the segment ray_near..ray_far crosses nearest to the
// eye (lowest face number at equal distance) and makes it picked_face with
// its corners in pick_marker. A miss changes nothing; a crossing face whose
// plane runs along the ray prints "Denom 0" and ends the pick without a
// choice. Returns true when a face was picked.
bool pick_face();

// The distance from `origin` along the unit direction `direction` to the
// nearest face of the mesh the ray meets within `reach` (either side of a
// face); INFINITY when it meets none. Prints nothing and picks nothing.
double probe_ground_distance(const double origin[3], const double direction[3], double reach);

// Copies the corner positions of face `face` into pick_marker (a face outside
// the mesh changes nothing).
void mark_picked_corners(int face);

// marker_radius +/- 0.25, unbounded.
void increase_handle_size();
void decrease_handle_size();
