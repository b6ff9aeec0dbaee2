// A fly-over of a track for video, of any length: where the rider is on the route in every frame, and a camera
// that follows the rider steadily and keeps the route ahead in the picture.
#pragma once

#include <vector>

#include "files/ride_text.h"
#include "import/terrain_ground.h"
#include "import/terrain_location.h"
#include "import/track_flight.h"
#include "import/track_line.h"

constexpr int RIDE_FPS = 30;                     // frames a second a ride is planned at

struct RideSettings {
    double duration;        // seconds of video; > 0 (at most RIDE_MOST_FRAMES frames are planned)
    bool chase;             // the camera follows the rider from behind and above; else it is the rider's eye
    double chase_distance;  // metres from the chase camera to the rider; 0 chooses it from the speed
    double chase_pitch;     // degrees down from the chase camera to the rider; 5..85
    double above;           // the rider's eye over the ground in the eye view, metres; > 0
    bool track_timing;      // the rider keeps the track's own pace where it has a clock (long stops shortened)
};

// The video's length that suits a track of `length` metres when none is
// asked for: half a minute and ten seconds a kilometre, from 45 s to 3 min.
double choose_ride_duration(double length);

// How far the chase camera stays behind a rider who covers `length` metres
// in `duration` seconds: five seconds of travel, from 250 m to 4 km.
double choose_chase_distance(double length, double duration);

// Plans the ride along `path` (its clock in path.t) over `ground`: the route
// on the ground (densified so that its line follows the ground), the
// waypoints on the terrain with their names, and RIDE_FPS x duration frames.
// The rider eases up from rest, keeps an even pace (or the track's, with
// track_timing, where at least two points have a clock) and stops at the
// end, where the camera turns slowly about the rider for three seconds. The
// camera's heading is the direction from the rider to the middle of the
// route over the next few seconds, smoothed and held to at most 0.9 degrees
// a frame. *timed tells whether the track's pace was followed.
Ride plan_ride(const FlightPath& path, const std::vector<TrackWaypoint>& waypoints, const TerrainGround& ground,
               const TerrainLocation& location, const RideSettings& settings, bool* timed);

// How a viewer would follow a ride shown at width / height = `aspect` with
// the viewer's field of view.
struct RideMeasures {
    double most_turn;          // largest change of the camera's heading between frames, degrees
    double most_tilt;          // largest change of its pitch between frames, degrees
    double ahead_in_picture;   // share of frames with the route point five seconds ahead in the picture
    double rider_in_picture;   // share of frames with the rider in the picture
    double most_turn_change;   // largest change of the heading's turn between frames, degrees a frame: a sudden
                               // reversal shows as a change near twice the turn
};
RideMeasures measure_ride(const Ride& ride, double aspect);
