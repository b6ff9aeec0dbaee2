// The picking method at its plainest, for tests and benchmarks to compare with.
#pragma once

// Every face in order, the angle sum for every face whose plane the segment
// ray_near..ray_far crosses, the nearest to the eye kept (the lowest face at
// an equal distance). Returns the face, -1 for a miss, -2 where the method
// stops on a face whose plane runs along the ray. Changes no state.
int pick_by_testing_every_face();
