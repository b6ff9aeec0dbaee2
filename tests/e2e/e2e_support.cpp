// Shared pieces of the end-to-end tests.
#include "tests/e2e/e2e_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

void keep_shot(const Screenshot& shot, const std::string& name) {
    std::string dir = E2E_SHOTS_DIR;
    mkdir(dir.c_str(), 0755);
    save_png(shot, dir + "/" + name + ".png");
}

Viewer::Viewer(const std::vector<std::string>& args) : dir(make_scratch_world(WORLD_DIR)), args(args) {
    EXPECT_FALSE(dir.empty());
}

Viewer::~Viewer() {
    stop_viewer(&process);
    remove_scratch_world(dir);
}

bool Viewer::start(const std::string& answers) {
    if (!start_viewer(&process, KESTROLANE_EXE, args, dir)) return false;
    return send_console(&process, answers);
}

bool Viewer::open_window() { return wait_for_window(&process, "Kestrolane", START_TIMEOUT_MS); }

Screenshot Viewer::shot() {
    Screenshot s;
    capture_window(&process, &s);
    return s;
}

std::string Viewer::console() { return read_console(&process); }

bool hide_overlay(Viewer& v) {
    Screenshot before = v.shot(), after;
    return press_key(&v.process, "shift+i") && wait_for_difference(&v.process, before, 24, 0.02, 10000, &after);
}

double sky_share(const Screenshot& s) { return fraction_near_colour(s, 0, 0, s.width, s.height / 2, 0, 0, 0, 4); }

double grey_share(const Screenshot& s) {
    long lit = 0, grey = 0;
    for (size_t i = 0; i + 2 < s.rgb.size(); i += 3) {
        int r = s.rgb[i], g = s.rgb[i + 1], b = s.rgb[i + 2];
        if (r + g + b < 30) continue;
        ++lit;
        grey += std::abs(r - g) <= 6 && std::abs(g - b) <= 6;
    }
    return lit ? (double)grey / lit : 0.0;
}
