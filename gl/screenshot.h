// F12: the picture the window shows, saved as a PNG under ./Screenshots.
#pragma once

constexpr const char* SCREENSHOT_FOLDER = "Screenshots";

// Writes the shown picture to Screenshots/kestrolane-<date>-<time>.png (the
// folder is made if missing; a name already taken gets "-2", "-3"...) and
// says so on the console and the message line. A failure is reported the
// same way and changes nothing else. Returns whether the file was written.
bool save_screenshot();
