// The --track command: a GPS track laid on an imported terrain becomes a flight, a marked layer and a drape line.
#pragma once

#include <cstdio>
#include <string>

#include "import/import_run.h"

// The terrain name that --onto gives: "NAME", "NAME.dem" or "DEM/NAME.dem".
std::string terrain_name_from_onto(const std::string& onto);

// Lays options.track_path on the terrain options.onto of the world: writes
// Flythrough/TRACK.flt, Vector/TRACK.vec and Drape/NAME_TRACK.raw with its
// info file (all or none of them), the summary with the command that renders
// the flight on `out`, a one-line refusal on `err`. Returns the exit status.
// Once per process: the flight and the layer are made in the viewer's
// flythrough and geometry state.
int run_track(const ImportOptions& options, std::FILE* out, std::FILE* err);
