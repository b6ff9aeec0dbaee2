// F12: the picture the window shows, saved as a PNG.
#include "gl/screenshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "files/png_file.h"
#include "gl/frame_capture.h"
#include "state/overlay_state.h"

constexpr int SCREENSHOT_PATH_SIZE = 96;
constexpr int SCREENSHOT_ERROR_SIZE = 320;
constexpr int SCREENSHOT_TRIES = 100;  // names tried within one second

namespace {

bool make_folder(char* error, size_t error_size) {
    struct stat st;
    if (mkdir(SCREENSHOT_FOLDER, 0777) == 0 || (errno == EEXIST && stat(SCREENSHOT_FOLDER, &st) == 0 &&
                                                 S_ISDIR(st.st_mode)))
        return true;
    snprintf(error, error_size, "cannot make the folder %s: %s", SCREENSHOT_FOLDER,
             errno == EEXIST ? "a file has that name" : strerror(errno));
    return false;
}

// The first free name for this second, or false when all are taken.
bool choose_name(char* path, size_t size) {
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    for (int i = 1; i <= SCREENSHOT_TRIES; ++i) {
        if (i == 1) snprintf(path, size, "%s/kestrolane-%s.png", SCREENSHOT_FOLDER, stamp);
        else snprintf(path, size, "%s/kestrolane-%s-%d.png", SCREENSHOT_FOLDER, stamp, i);
        if (access(path, F_OK) != 0) return true;
    }
    return false;
}

}  // namespace

bool save_screenshot() {
    char path[SCREENSHOT_PATH_SIZE], error[SCREENSHOT_ERROR_SIZE];
    unsigned char* rgb = nullptr;
    int width = 0, height = 0;
    bool ok = false;
    // The picture is taken first, so that it shows no message of ours.
    if (read_shown_picture(&rgb, &width, &height, error, sizeof error) && make_folder(error, sizeof error)) {
        if (!choose_name(path, sizeof path)) snprintf(error, sizeof error, "too many screenshots this second");
        else ok = write_png_file(path, rgb, width, height, 3, false, error, sizeof error);
    }
    free(rgb);
    if (!ok) {
        report_problem("Screenshot not saved: %s", error);
        return false;
    }
    printf("Screenshot saved: %s\n", path);
    fflush(stdout);
    show_message("Screenshot saved: %s", path);
    return true;
}
