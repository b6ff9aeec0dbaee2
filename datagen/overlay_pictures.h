// Paints the navigation disk, the four tray panels and the tray handle of the viewer's overlay.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "overlay/tray_table.h"

const int overlay_picture_count = TRAY_PICTURE_COUNT;  // navi_0 (the disk) ... navi_4
const int overlay_picture_size = 128;
const int handle_picture_size = 32;

// navi_<number> as RGBA rows, the first row at t = 0; empty for an unknown number.
std::vector<uint8_t> paint_overlay_picture(int number);
std::vector<uint8_t> paint_handle_picture();

// Writes <folder>/navi_0.raw ... navi_4.raw and side_0.raw.
bool write_overlay_pictures(const std::string& folder, std::string& error);
