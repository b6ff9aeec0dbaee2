// Encoding frames into an H.264 MP4 through an ffmpeg child process, fed by
// a thread of its own that turns them into YUV and writes them while the
// next frame is drawn (no GL). One encoder at a time; use from one thread.
#pragma once

#include <cstddef>

#include "state/encoder_state.h"  // ENCODER_BUFFERS

constexpr const char* FFMPEG_PROGRAM = "ffmpeg";  // looked up in PATH
constexpr const char* FFMPEG_LOG_PREFIX = "kestrolane-ffmpeg";  // TEMPORARY_FOLDER/<this>-<pid>-<letters>: what ffmpeg says

// Turns an RGBA picture whose rows run bottom up (GL's order) into planar
// YUV 4:2:0 with the top row first: BT.709, limited range (Y 16..235, U and
// V 16..240), each U and V the mean of a 2 x 2 block. width and height must
// be even; `yuv` holds width x height x 3 / 2 bytes (Y, then U, then V).
void convert_rgba_to_yuv420(const unsigned char* rgba, int width, int height, unsigned char* yuv);

// How a stereo video packs its two eyes into each frame, as players read it.
struct VideoStereo {
    int x264_frame_packing;   // H.264 frame-packing arrangement: 2 rows, 3 side by side, 4 top and bottom; -1 none
    const char* matroska_mode;  // Matroska's StereoMode name; null for none
};

// The packing of `stereo_mode` (a StereoMode) when `stereo` is on; none for
// mono and the anaglyphs.
VideoStereo video_stereo_for(bool stereo, int stereo_mode);

// Starts ffmpeg writing an H.264 video (yuv420p, BT.709) of width x height
// (both even) at fps into the open file `output_fd`, fed with RGBA frames
// whose rows run bottom up: Matroska when `output_name` ends in ".mkv", else
// MP4; with the frame-packing arrangement and, in Matroska, the stereo mode
// of `stereo`. Returns false with a message if ffmpeg cannot be started.
bool start_video_encoder(int output_fd, const char* output_name, int width, int height, int fps,
                         const VideoStereo& stereo, char* error, size_t error_size);

// A free frame buffer of width x height x 4 bytes to fill; waits while
// ENCODER_BUFFERS frames are queued. Null once ffmpeg has failed.
unsigned char* take_encoder_buffer();

// Hands a filled buffer from take_encoder_buffer to the writer thread.
void queue_encoder_frame(unsigned char* buffer);

// Ends the input, waits for ffmpeg and frees everything. Returns false with
// a message, holding what ffmpeg said, when a write failed or ffmpeg did not
// end with status 0.
bool finish_video_encoder(char* error, size_t error_size);

// Ends ffmpeg at once (from a signal handler too) so that it writes no more,
// and removes its message file.
void kill_video_encoder();
