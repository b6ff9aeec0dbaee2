// Places the sample geometry layers on the default world and writes them as .vec files.
#pragma once

#include <string>

#include "datagen/terrains.h"

// Writes Summit_Flags.vec (survey flags on the highest peaks) and
// Lake_and_River.vec (cones round the lake shore, conifers along the main
// river, signposts where it meets the lake and its tributaries) into the
// given folder. On success the summary names each file with its item count;
// on failure the error says what went wrong.
bool write_sample_layers(const std::string& folder, const river_network& rivers, std::string& summary,
                         std::string& error);
