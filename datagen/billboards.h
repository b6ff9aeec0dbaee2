// Paints the three billboard pictures that geometry layers stand in the scene.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// bill_0: a conifer; bill_1: a survey flag on a cairn; bill_2: a signpost.
// Each stands on the picture's bottom edge at its middle, on a transparent
// background.
const int billboard_count = 3;
const int billboard_conifer = 0;
const int billboard_survey_flag = 1;
const int billboard_signpost = 2;
const int billboard_size = 128;

// bill_<number> as RGBA rows, the first row at t = 0 (the top of the
// billboard); empty for an unknown number.
std::vector<uint8_t> paint_billboard(int number);

// Writes <folder>/bill_0.raw ... bill_2.raw.
bool write_billboards(const std::string& folder, std::string& error);
