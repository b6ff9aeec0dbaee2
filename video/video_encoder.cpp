// Encoding frames into an H.264 MP4 through an ffmpeg child process.
#include "video/video_encoder.h"

#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "camera/stereo_camera.h"
#include "files/child_process.h"
#include "files/whole_file.h"
#include "state/encoder_state.h"

constexpr int PIPE_BYTES = 1 << 20;  // a larger pipe means fewer wake-ups per frame
constexpr int LOG_TAIL = 1200;       // bytes of ffmpeg's messages shown on failure

namespace {

bool write_all(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= (size_t)n;
    }
    return true;
}

// The encoder_writer thread: hands queued frames to ffmpeg in order. After a failed
// write it only recycles encoder_buffers, so the drawing side never waits forever.
void write_frames() {
    for (;;) {
        unsigned char* frame;
        {
            std::unique_lock<std::mutex> hold(encoder_lock);
            encoder_changed.wait(hold, [] { return !encoder_queued_frames.empty() || encoder_input_ended; });
            if (encoder_queued_frames.empty()) return;
            frame = encoder_queued_frames.front();
            encoder_queued_frames.pop_front();
        }
        bool ok = !encoder_write_failed;
        if (ok) {
            convert_rgba_to_yuv420(frame, encoder_frame_width, encoder_frame_height, encoder_yuv_frame);
            ok = write_all(encoder_fd, encoder_yuv_frame, encoder_frame_bytes * 3 / 8);
        }
        std::lock_guard<std::mutex> hold(encoder_lock);
        if (!ok && !encoder_write_failed) {
            encoder_write_failed = true;
            encoder_write_errno = errno;
        }
        encoder_free_buffers.push_back(frame);
        encoder_changed.notify_all();
    }
}

// The last part of what ffmpeg wrote on its standard error, trimmed.
void read_log_tail(char* out, size_t size) {
    out[0] = '\0';
    FILE* f = fopen(encoder_log_path, "rb");
    if (!f) return;
    char text[LOG_TAIL + 1];
    fseek(f, 0, SEEK_END);
    long length = ftell(f);
    fseek(f, length > LOG_TAIL ? length - LOG_TAIL : 0, SEEK_SET);
    size_t n = fread(text, 1, LOG_TAIL, f);
    fclose(f);
    text[n] = '\0';
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) text[--n] = '\0';
    snprintf(out, size, "%s", text);
}

void release_encoder() {
    for (unsigned char*& b : encoder_buffers) {
        free(b);
        b = nullptr;
    }
    free(encoder_yuv_frame);
    encoder_yuv_frame = nullptr;
    encoder_free_buffers.clear();
    encoder_queued_frames.clear();
    if (encoder_fd >= 0) close(encoder_fd);
    encoder_fd = -1;
    if (encoder_log_path[0]) unlink(encoder_log_path);
    encoder_log_path[0] = '\0';
    encoder_pid = -1;
}

}  // namespace

void convert_rgba_to_yuv420(const unsigned char* rgba, int width, int height, unsigned char* yuv) {
    // BT.709 weights scaled to the limited range, in 1/65536.
    const int yr = 11966, yg = 40254, yb = 4064;
    const int ur = -6596, ug = -22189, ub = 28785;
    const int vr = 28785, vg = -26146, vb = -2639;
    unsigned char* y_plane = yuv;
    unsigned char* u_plane = yuv + (size_t)width * height;
    unsigned char* v_plane = u_plane + (size_t)width * height / 4;
    size_t stride = (size_t)width * 4;
    for (int row = 0; row < height; row += 2) {
        // Rows run bottom up in the input and top down in the output.
        const unsigned char* upper = rgba + (size_t)(height - 1 - row) * stride;
        const unsigned char* lower = upper - stride;
        unsigned char* y_upper = y_plane + (size_t)row * width;
        unsigned char* y_lower = y_upper + width;
        unsigned char* u = u_plane + (size_t)(row / 2) * (width / 2);
        unsigned char* v = v_plane + (size_t)(row / 2) * (width / 2);
        for (int x = 0; x < width; x += 2) {
            const unsigned char* p[4] = {upper + x * 4, upper + x * 4 + 4, lower + x * 4, lower + x * 4 + 4};
            unsigned char* out[4] = {y_upper + x, y_upper + x + 1, y_lower + x, y_lower + x + 1};
            int r = 0, g = 0, b = 0;
            for (int i = 0; i < 4; ++i) {
                *out[i] = (unsigned char)(16 + ((yr * p[i][0] + yg * p[i][1] + yb * p[i][2] + 32768) >> 16));
                r += p[i][0];
                g += p[i][1];
                b += p[i][2];
            }
            // Four pixels summed: a quarter of the weights, two more bits of
            // shift; the offset of 128 goes in first so that nothing shifted is negative.
            u[x / 2] = (unsigned char)((ur * r + ug * g + ub * b + (128 << 18) + (1 << 17)) >> 18);
            v[x / 2] = (unsigned char)((vr * r + vg * g + vb * b + (128 << 18) + (1 << 17)) >> 18);
        }
    }
}

VideoStereo video_stereo_for(bool stereo, int stereo_mode) {
    if (!stereo) return {-1, nullptr};
    switch (stereo_mode) {
        case STEREO_SIDE_BY_SIDE:
        case STEREO_SIDE_BY_SIDE_HALF: return {3, "left_right"};
        case STEREO_TOP_BOTTOM:
        case STEREO_TOP_BOTTOM_HALF: return {4, "top_bottom"};
        case STEREO_ROWS: return {2, "row_interleaved_lr"};
        default: return {-1, nullptr};
    }
}

bool start_video_encoder(int output_fd, const char* output_name, int width, int height, int fps,
                         const VideoStereo& stereo, char* error, size_t error_size) {
    char program[1024];
    if (!find_program(FFMPEG_PROGRAM, program, sizeof program)) {
        snprintf(error, error_size,
                 "ffmpeg is not installed (or not on PATH); install Debian's ffmpeg package "
                 "(scripts/install_deps.sh does)");
        return false;
    }
    // A write to an ffmpeg that has ended must fail, not end this process.
    signal(SIGPIPE, SIG_IGN);
    encoder_frame_width = width;
    encoder_frame_height = height;
    encoder_frame_bytes = (size_t)width * height * 4;
    encoder_write_failed = false;
    encoder_input_ended = false;
    encoder_yuv_frame = (unsigned char*)malloc(encoder_frame_bytes * 3 / 8);
    if (!encoder_yuv_frame) {
        snprintf(error, error_size, "Out of memory for %d x %d frames", width, height);
        return false;
    }
    for (unsigned char*& b : encoder_buffers) {
        b = (unsigned char*)malloc(encoder_frame_bytes);
        if (!b) {
            snprintf(error, error_size, "Out of memory for %d x %d frames", width, height);
            release_encoder();
            return false;
        }
        encoder_free_buffers.push_back(b);
    }
    int log_fd = create_temporary_file(TEMPORARY_FOLDER, FFMPEG_LOG_PREFIX, "", 0600, encoder_log_path, sizeof encoder_log_path);
    int pipe_fds[2];
    if (log_fd < 0 || pipe2(pipe_fds, O_CLOEXEC) != 0) {
        snprintf(error, error_size, "Cannot start ffmpeg: %s", strerror(errno));
        if (log_fd >= 0) close(log_fd);
        release_encoder();
        return false;
    }
    fcntl(pipe_fds[1], F_SETPIPE_SZ, PIPE_BYTES);

    // ffmpeg writes through the descriptor of the output's temporary file,
    // which it inherits, never by name: nothing put at the name since the
    // file was made can receive the video.
    char size[32], rate[16], output_path[64];
    snprintf(output_path, sizeof output_path, "/proc/self/fd/%d", output_fd);
    snprintf(size, sizeof size, "%dx%d", width, height);
    snprintf(rate, sizeof rate, "%d", fps);
    size_t name_length = strlen(output_name);
    bool matroska = name_length >= 4 && !strcasecmp(output_name + name_length - 4, ".mkv");
    char packing[32], stereo_mode[48];
    snprintf(packing, sizeof packing, "frame-packing=%d", stereo.x264_frame_packing);
    snprintf(stereo_mode, sizeof stereo_mode, "stereo_mode=%s", stereo.matroska_mode ? stereo.matroska_mode : "");
    const char* args[48] = {
        "ffmpeg", "-hide_banner", "-nostats", "-loglevel", "error",
        "-f", "rawvideo", "-pixel_format", "yuv420p", "-video_size", size, "-framerate", rate, "-i", "pipe:0",
        "-an", "-c:v", "libx264", "-preset", "ultrafast", "-crf", "18",
        "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv"};
    int n = 30;
    auto add = [&](const char* a, const char* b) {
        args[n++] = a;
        args[n++] = b;
    };
    // Players and televisions read how the eyes are packed from the stream
    // (H.264's frame-packing arrangement) and from Matroska's stereo mode.
    if (stereo.x264_frame_packing >= 0) add("-x264-params", packing);
    if (matroska && stereo.matroska_mode) add("-metadata:s:v:0", stereo_mode);
    if (matroska) {
        add("-f", "matroska");
    } else {
        add("-movflags", "+faststart");
        add("-f", "mp4");
    }
    add("-y", output_path);
    args[n] = nullptr;
    pid_t pid = start_child(program, (char* const*)args, pipe_fds[0], -1, log_fd, output_fd);
    int spawn_errno = errno;
    close(pipe_fds[0]);
    close(log_fd);
    encoder_fd = pipe_fds[1];
    if (pid < 0) {
        snprintf(error, error_size, "Cannot start ffmpeg: %s", strerror(spawn_errno));
        release_encoder();
        return false;
    }
    encoder_pid = pid;
    encoder_writer = std::thread(write_frames);
    return true;
}

unsigned char* take_encoder_buffer() {
    std::unique_lock<std::mutex> hold(encoder_lock);
    encoder_changed.wait(hold, [] { return !encoder_free_buffers.empty() || encoder_write_failed; });
    if (encoder_write_failed) return nullptr;
    unsigned char* b = encoder_free_buffers.front();
    encoder_free_buffers.pop_front();
    return b;
}

void queue_encoder_frame(unsigned char* buffer) {
    std::lock_guard<std::mutex> hold(encoder_lock);
    encoder_queued_frames.push_back(buffer);
    encoder_changed.notify_all();
}

bool finish_video_encoder(char* error, size_t error_size) {
    {
        std::lock_guard<std::mutex> hold(encoder_lock);
        encoder_input_ended = true;
        encoder_changed.notify_all();
    }
    if (encoder_writer.joinable()) encoder_writer.join();
    close(encoder_fd);
    encoder_fd = -1;
    int status = -1;
    pid_t pid = encoder_pid;
    wait_for_child(pid, -1, &status);
    bool ok = status == 0 && !encoder_write_failed;
    if (!ok) {
        char said[LOG_TAIL + 1];
        read_log_tail(said, sizeof said);
        if (status != 0)
            snprintf(error, error_size, "ffmpeg failed (exit status %d)%s%s", status, said[0] ? ":\n" : "", said);
        else
            snprintf(error, error_size, "Writing frames to ffmpeg failed: %s", strerror(encoder_write_errno));
    }
    release_encoder();
    return ok;
}

void kill_video_encoder() {
    pid_t pid = encoder_pid;
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (encoder_log_path[0]) unlink(encoder_log_path);
}
