// Shared pieces of the fuzz targets: a scratch directory of their own and
// writing an input into a file there, since every reader takes a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// A directory private to this process (under /dev/shm when there is one),
// made on first use and removed at exit.
const std::string& fuzz_scratch_dir();

// Writes `size` bytes to `name` inside the scratch directory, replacing what
// was there, and returns the full path.
std::string write_fuzz_file(const char* name, const uint8_t* data, size_t size);

// Ends the process with a message when a property every input must keep is
// broken; libFuzzer keeps the input that did it.
void fuzz_require(bool holds, const char* what);

// Reads an input front to back; 0 once it runs out.
struct FuzzReader {
    const uint8_t* data;
    size_t size, at;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    // Eight bytes as a double, in the machine's order.
    double number() {
        double v = 0;
        uint8_t bytes[8];
        for (uint8_t& b : bytes) b = byte();
        memcpy(&v, bytes, 8);
        return v;
    }
};
