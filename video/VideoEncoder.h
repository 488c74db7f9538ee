#pragma once

#include <cstdint>
#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

/// Writes frames of RGB pixels into an H.264 video in an MP4 file, at a fixed number of frames
/// a second. The video takes the frames' size rounded down to even numbers, which the encoder
/// needs: an odd last row or column is left out. Any failure (no encoder, a file that cannot
/// be written, a full disk) ends the video: every later call does nothing, error() says what
/// went wrong, and abandon() removes what was written.
class VideoEncoder {
public:
    static constexpr int defaultFramesPerSecond = 30;

    VideoEncoder() = default;
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    /// Starts the video at `path` (replacing a file there) for frames of `width` x `height`
    /// pixels, at least 2 x 2. False, with error() set, when it cannot.
    bool open(const std::string& path, int width, int height,
              int framesPerSecond = defaultFramesPerSecond);
    /// Adds one frame: rows of 3 bytes a pixel, `rowBytes` apart, the top row first, or the
    /// bottom row first when `bottomUp` (as OpenGL reads them). The frame must have the size
    /// given to open(). False when the video has failed.
    bool addFrame(const uint8_t* rgb, int rowBytes, bool bottomUp);
    /// Writes what the encoder still holds and closes the file; false when that failed.
    bool finish();
    /// Closes the file, if open, and removes it: a video that failed or is not wanted.
    void abandon();

    bool isOpen() const { return format_ != nullptr; }
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int64_t frames() const { return frames_; }
    /// Seconds of video written so far.
    double seconds() const { return fps_ > 0 ? double(frames_) / fps_ : 0.0; }
    const std::string& path() const { return path_; }

private:
    bool fail(const std::string& what, int code);
    /// Sends `frame` (null: the end) and writes every packet the encoder has ready.
    bool encode(AVFrame* frame);
    void close();

    std::string path_;
    std::string error_;
    int width_ = 0;
    int height_ = 0;
    int fps_ = 0;
    int64_t frames_ = 0;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVStream* stream_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* scale_ = nullptr;
    int sourceHeight_ = 0;
    /// Whether open() made the file, so that abandon() may remove it.
    bool created_ = false;
};
