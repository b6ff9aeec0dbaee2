// Raw images and the info files of drapes and maps.
#include "files/texture_file.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/regular_file.h"

namespace {

// The texel index along one axis: inside [0, 1] the image edge is the last
// texel; outside, coordinates repeat as GL_REPEAT makes them. Values that do
// not repeat to a number (infinities, NaN) give texel 0, so no coordinate can
// address a byte outside the image.
int texel_index(double v, int n) {
    if (!(v >= 0.0 && v <= 1.0)) v -= std::floor(v);
    if (!(v >= 0.0 && v <= 1.0)) return 0;
    int i = (int)(v * n);
    return i < n ? i : n - 1;
}

}  // namespace

bool read_raw_image(const char* path, int width, int height, int components,
                    unsigned char** pixels, char* error, size_t error_size) {
    if (width <= 0 || height <= 0 || components <= 0) {
        snprintf(error, error_size, "Texture %s: size %d x %d x %d is not usable", path, width, height, components);
        return false;
    }
    size_t bytes = (size_t)width * (size_t)height * (size_t)components;
    FILE* file = fopen_regular_file(path, "Texture file", error, error_size);
    if (!file) {
        // Keeps the long-standing wording for a missing image.
        if (strstr(error, "not found")) snprintf(error, error_size, "Texture file not found: %s", path);
        return false;
    }
    // The size the file really has decides before any memory is taken.
    long long held = regular_file_size(fileno(file));
    if (held < (long long)bytes) {
        fclose(file);
        snprintf(error, error_size, "Texture %s holds %lld bytes; %d x %d x %d needs %zu", path, held < 0 ? 0 : held,
                 width, height, components, bytes);
        return false;
    }
    unsigned char* buffer = (unsigned char*)malloc(bytes);
    if (!buffer) {
        fclose(file);
        snprintf(error, error_size, "COULD NOT ALLOCATE MEMORY!");
        return false;
    }
    size_t got = fread(buffer, 1, bytes, file);
    fclose(file);
    if (got != bytes) {
        free(buffer);
        snprintf(error, error_size, "Texture %s holds %zu bytes; %d x %d x %d needs %zu", path, got, width, height,
                 components, bytes);
        return false;
    }
    *pixels = buffer;
    return true;
}

bool read_info_file(const char* path, int* width, int* height, int* components,
                    char* error, size_t error_size) {
    FILE* file = fopen_regular_file(path, "Info file", error, error_size);
    if (!file) {
        if (strstr(error, "not found")) snprintf(error, error_size, "Info file not found: %s", path);
        return false;
    }
    long w = 0, h = 0, c = 0;
    int got = fscanf(file, "%ld %ld %ld", &w, &h, &c);
    fclose(file);
    if (got != 3) {
        snprintf(error, error_size, "Info file %s must hold width, height and components", path);
        return false;
    }
    if (w < 1 || w > MAX_TEXTURE_SIDE || h < 1 || h > MAX_TEXTURE_SIDE || c < 1 || c > 4) {
        snprintf(error, error_size, "Info file %s: %ld %ld %ld is not a usable image size", path, w, h, c);
        return false;
    }
    *width = (int)w;
    *height = (int)h;
    *components = (int)c;
    return true;
}

void print_info_file(WholeFile* out, int width, int height, int components) {
    print_whole_file(out, "%d %d %d\n", width, height, components);
}

int drape_paths(const char* path, char* image_path, size_t image_size,
                char* info_path, size_t info_size, char* error, size_t error_size) {
    const char* dot = strchr(path, '.');
    if (!dot) {
        snprintf(error, error_size, "%s has no extension, so it has no info file", path);
        return -1;
    }
    int prefix = (int)(dot - path) + 1;
    int n1 = snprintf(image_path, image_size, ".%s", path);
    int n2 = snprintf(info_path, info_size, ".%.*sinfo", prefix, path);
    if (n1 < 0 || (size_t)n1 >= image_size || n2 < 0 || (size_t)n2 >= info_size) {
        snprintf(error, error_size, "The path %s is too long", path);
        return -1;
    }
    return prefix;
}

bool locate_texel(float s, float t, int width, int height, int* column, int* row) {
    if (width <= 0 || height <= 0) return false;
    *column = texel_index(s, width);
    *row = texel_index(1.0 - (double)t, height);
    return true;
}

bool paint_texel_white(unsigned char* image, int width, int height, int components, float s, float t, long* offset) {
    int column = 0, row = 0;
    if (!image || !locate_texel(s, t, width, height, &column, &row)) return false;
    int bytes_per_texel = components == 3 ? 3 : 1;
    *offset = ((long)row * width + column) * bytes_per_texel;
    for (int k = 0; k < bytes_per_texel; ++k) image[*offset + k] = 255;
    return true;
}
