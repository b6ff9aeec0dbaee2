// Writing frames as PNG files.
#include "files/png_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "files/output_file.h"

namespace {

// The picture as top-down RGB rows; rows of `pixels` are used in place when they already are.
const unsigned char* rgb_rows(const unsigned char* pixels, int width, int height, int channels, unsigned char** owned) {
    *owned = nullptr;
    if (channels == 3) return pixels;
    size_t count = (size_t)width * height;
    unsigned char* rgb = (unsigned char*)malloc(count * 3);
    if (!rgb) return nullptr;
    for (size_t i = 0; i < count; ++i) memcpy(rgb + i * 3, pixels + i * channels, 3);
    *owned = rgb;
    return rgb;
}

}  // namespace

bool write_png_file(const char* path, const unsigned char* pixels, int width, int height, int channels,
                    bool bottom_up, char* error, size_t error_size) {
    if (width <= 0 || height <= 0 || (channels != 3 && channels != 4)) {
        snprintf(error, error_size, "Cannot write %s: no picture to write", path);
        return false;
    }
    unsigned char* owned = nullptr;
    const unsigned char* rgb = rgb_rows(pixels, width, height, channels, &owned);
    if (!rgb) {
        snprintf(error, error_size, "Cannot write %s: out of memory", path);
        return false;
    }
    char temp[1024];
    if (!create_temp_beside(path, temp, sizeof temp, error, error_size)) {
        free(owned);
        return false;
    }
    bool ok = false;
    FILE* file = fopen(temp, "wb");
    if (!file) {
        snprintf(error, error_size, "Cannot write %s: %s", path, strerror(errno));
    } else {
        png_image image;
        memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        image.width = (png_uint_32)width;
        image.height = (png_uint_32)height;
        image.format = PNG_FORMAT_RGB;
        // A negative stride makes libpng take the rows from the last one up.
        png_int_32 stride = (png_int_32)(width * 3) * (bottom_up ? -1 : 1);
        ok = png_image_write_to_stdio(&image, file, 0, rgb, stride, nullptr) != 0;
        if (!ok) snprintf(error, error_size, "Cannot write %s: %s", path, image.message);
        bool flushed = fflush(file) == 0 && !ferror(file);
        int saved = errno;
        if (fclose(file) != 0 || !flushed) {
            if (ok) snprintf(error, error_size, "Cannot write %s: %s", path, strerror(saved ? saved : errno));
            ok = false;
        }
        png_image_free(&image);
    }
    free(owned);
    if (!ok) {
        unlink(temp);
        return false;
    }
    return commit_temp(temp, path, error, error_size);
}
