// Writers for terrain models, raw images and info files; each reports failure through a message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datagen/terrains.h"

bool make_directory(const std::string& path, std::string& error);
bool write_terrain_model(const std::string& path, const terrain_extent& extent,
                         const std::vector<double>& heights, std::string& error);
bool write_raw_image(const std::string& path, const std::vector<uint8_t>& pixels, std::string& error);
bool write_image_info(const std::string& image_path, int width, int height, int components,
                      std::string& error);
std::string name_info_file(const std::string& image_path);

// The float the viewer holds after reading what "%f" printed of `value`.
float read_back(double value);
