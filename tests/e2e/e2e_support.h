// Shared pieces of the end-to-end tests: a viewer in a scratch world and
// measures of what a screenshot shows.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/harness.h"

constexpr int START_TIMEOUT_MS = 60000;

// Saves a screenshot under the build's e2e-shots directory for a person to look at.
void keep_shot(const Screenshot& shot, const std::string& name);

// A viewer started in a fresh copy of the default world; stopped and removed at the end.
struct Viewer {
    ViewerProcess process;
    std::string dir;
    std::vector<std::string> args;

    explicit Viewer(const std::vector<std::string>& args = {});
    ~Viewer();
    bool start(const std::string& answers);  // starts the program and answers the dialogue
    bool open_window();                      // waits for the window to show
    Screenshot shot();
    std::string console();
};

// Presses Shift+I and waits until the navigation overlay has left the
// screen, so that shots measure the land alone.
bool hide_overlay(Viewer& v);

// Share of pixels in the upper half that are (near) black: the sky when no sky box is drawn.
double sky_share(const Screenshot& s);

// Share of lit pixels whose red, green and blue agree.
double grey_share(const Screenshot& s);
