// The video encoder: the ffmpeg child, the frames queued for it and the
// thread that writes them.
//
// Owns: encoder_pid, encoder_fd, encoder_log_path, the frame size, the frame
// buffers and their two queues, the writer thread and its lock, the ended and
// failed flags.
// Lifetime: the session: one encoder from start_video_encoder to
// finish_video_encoder (one per flight rendered); terrain loads leave it alone.
// Writers: video/video_encoder.cpp alone (the writer thread under
// encoder_lock; encoder_pid is also read by the signal handler that kills ffmpeg).
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

constexpr int ENCODER_BUFFERS = 3;  // frames waiting for ffmpeg at most

extern volatile pid_t encoder_pid;                   // the running ffmpeg; -1 when none
extern int encoder_fd;                               // our end of ffmpeg's standard input; -1 when none
extern char encoder_log_path[128];                   // ffmpeg's standard error, a temporary file; empty when none
extern int encoder_frame_width, encoder_frame_height;  // pixels of each frame; 0 before the first encoder
extern size_t encoder_frame_bytes;                   // an RGBA frame, width x height x 4
extern unsigned char* encoder_yuv_frame;             // the writer thread's YUV frame, encoder_frame_bytes * 3 / 8; malloc'ed
extern unsigned char* encoder_buffers[ENCODER_BUFFERS];  // RGBA frames; malloc'ed while an encoder runs
extern std::deque<unsigned char*> encoder_free_buffers;   // buffers the drawing side may take (under encoder_lock)
extern std::deque<unsigned char*> encoder_queued_frames;  // buffers waiting for the writer, in order (under encoder_lock)
extern bool encoder_input_ended;                     // no more frames will be queued
extern bool encoder_write_failed;                    // a write to ffmpeg failed; frames are then only recycled
extern int encoder_write_errno;                      // errno of that failure
extern std::mutex encoder_lock;                      // guards the queues and the flags
extern std::condition_variable encoder_changed;      // a queue or a flag changed
extern std::thread encoder_writer;                   // hands queued frames to ffmpeg; joined by finish_video_encoder

// Puts every value back to its start; no encoder may be running (the
// buffers must already be freed, as finish_video_encoder does).
void reset_encoder_state();
