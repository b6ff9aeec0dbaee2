// Writing frames as PNG files.
#include "files/png_file.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

bool append_png_image(WholeFile* out, const unsigned char* pixels, int width, int height, int channels,
                      bool bottom_up, char* error, size_t error_size) {
    if (width <= 0 || height <= 0 || (channels != 3 && channels != 4)) {
        snprintf(error, error_size, "Cannot write %s: no picture to write", out->target);
        return false;
    }
    unsigned char* owned = nullptr;
    const unsigned char* rgb = rgb_rows(pixels, width, height, channels, &owned);
    if (!rgb) {
        snprintf(error, error_size, "Cannot write %s: out of memory", out->target);
        return false;
    }
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)width;
    image.height = (png_uint_32)height;
    image.format = PNG_FORMAT_RGB;
    // A negative stride makes libpng take the rows from the last one up.
    png_int_32 stride = (png_int_32)(width * 3) * (bottom_up ? -1 : 1);
    // Encoded in memory, so that the file is written by the whole-file
    // writer, which names the system's reason when a write fails.
    png_alloc_size_t size = 0;
    bool ok = png_image_write_to_memory(&image, nullptr, &size, 0, rgb, stride, nullptr) != 0;
    void* encoded = ok ? malloc(size) : nullptr;
    ok = encoded && png_image_write_to_memory(&image, encoded, &size, 0, rgb, stride, nullptr) != 0;
    if (ok) append_whole_file(out, encoded, size);
    else snprintf(error, error_size, "Cannot write %s: %s", out->target, encoded ? image.message : "out of memory");
    png_image_free(&image);
    free(encoded);
    free(owned);
    return ok;
}

bool write_png_file(const char* path, const unsigned char* pixels, int width, int height, int channels,
                    bool bottom_up, char* error, size_t error_size) {
    WholeFile out;
    if (!begin_whole_file(path, &out, error, error_size)) return false;
    if (!append_png_image(&out, pixels, width, height, channels, bottom_up, error, error_size)) {
        discard_whole_file(&out);
        return false;
    }
    return finish_whole_file(&out, error, error_size);
}
