// Definitions of the video encoder state; reset_encoder_state gives every
// start value.
#include "state/encoder_state.h"

volatile pid_t encoder_pid;
int encoder_fd;
char encoder_log_path[128];
int encoder_frame_width, encoder_frame_height;
size_t encoder_frame_bytes;
unsigned char* encoder_yuv_frame;
unsigned char* encoder_buffers[ENCODER_BUFFERS];
std::deque<unsigned char*> encoder_free_buffers;
std::deque<unsigned char*> encoder_queued_frames;
bool encoder_input_ended;
bool encoder_write_failed;
int encoder_write_errno;
std::mutex encoder_lock;
std::condition_variable encoder_changed;
std::thread encoder_writer;

void reset_encoder_state() {
    encoder_pid = -1;
    encoder_fd = -1;
    encoder_log_path[0] = '\0';
    encoder_frame_width = encoder_frame_height = 0;
    encoder_frame_bytes = 0;
    encoder_yuv_frame = nullptr;
    for (unsigned char*& b : encoder_buffers) b = nullptr;
    encoder_free_buffers.clear();
    encoder_queued_frames.clear();
    encoder_input_ended = false;
    encoder_write_failed = false;
    encoder_write_errno = 0;
}

// The start values hold from before main.
[[maybe_unused]] static const bool encoder_state_started = (reset_encoder_state(), true);
