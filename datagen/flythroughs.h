// Plans the sample flythroughs over the default world and writes them as .flt files.
#pragma once

#include <string>

#include "datagen/terrains.h"

// Writes Grand_Tour.flt and Lake_Circle.flt into the given folder. On
// success the summary names each file with its sample count; on failure the
// error says what went wrong.
bool write_sample_flythroughs(const std::string& folder, const river_network& rivers, std::string& summary,
                              std::string& error);
