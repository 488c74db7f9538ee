#include "video/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <filesystem>
#include <system_error>

namespace {

std::string libraryMessage(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

VideoEncoder::~VideoEncoder() {
    close();
}

bool VideoEncoder::open(const std::string& path, int width, int height, int framesPerSecond) {
    close();
    path_ = path;
    error_.clear();
    frames_ = 0;
    created_ = false;
    if (width < 2 || height < 2 || framesPerSecond < 1) {
        return fail("a video needs frames of at least 2 x 2 pixels and a frame a second", 0);
    }
    sourceHeight_ = height;
    width_ = width & ~1;
    height_ = height & ~1;
    fps_ = framesPerSecond;
    // The library's own notes would interleave with ours; what fails is reported once, here.
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) {
        codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    }
    if (!codec) {
        return fail("no H.264 encoder in the FFmpeg libraries", 0);
    }
    int code = avformat_alloc_output_context2(&format_, nullptr, "mp4", path.c_str());
    if (code < 0) {
        return fail("no MP4 writer in the FFmpeg libraries", code);
    }
    stream_ = avformat_new_stream(format_, nullptr);
    codec_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!stream_ || !codec_ || !frame_ || !packet_) {
        return fail("out of memory", 0);
    }
    codec_->width = width_;
    codec_->height = height_;
    codec_->time_base = AVRational{1, fps_};
    codec_->framerate = AVRational{fps_, 1};
    codec_->pix_fmt = AV_PIX_FMT_YUV420P;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) {
        codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    // The fastest preset leaves the ticks of a recording most of the time (about 2 ms of one
    // core a frame at 640 x 480, against 5 for "veryfast"); a lower rate factor than the
    // default buys back the sharpness of thin wires it would lose.
    av_opt_set(codec_->priv_data, "preset", "ultrafast", 0);
    av_opt_set(codec_->priv_data, "crf", "18", 0);
    code = avcodec_open2(codec_, codec, nullptr);
    if (code < 0) {
        return fail("the H.264 encoder does not start", code);
    }
    code = avcodec_parameters_from_context(stream_->codecpar, codec_);
    if (code < 0) {
        return fail("the H.264 encoder does not start", code);
    }
    stream_->time_base = codec_->time_base;
    code = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (code < 0) {
        return fail("cannot write `" + path + "'", code);
    }
    created_ = true;
    code = avformat_write_header(format_, nullptr);
    if (code < 0) {
        return fail("cannot write `" + path + "'", code);
    }
    frame_->format = codec_->pix_fmt;
    frame_->width = width_;
    frame_->height = height_;
    code = av_frame_get_buffer(frame_, 0);
    if (code < 0) {
        return fail("out of memory", code);
    }
    scale_ = sws_getContext(width_, height_, AV_PIX_FMT_RGB24, width_, height_, AV_PIX_FMT_YUV420P,
                            SWS_POINT, nullptr, nullptr, nullptr);
    if (!scale_) {
        return fail("no conversion from RGB pixels in the FFmpeg libraries", 0);
    }
    return true;
}

bool VideoEncoder::addFrame(const uint8_t* rgb, int rowBytes, bool bottomUp) {
    if (!isOpen() || failed()) {
        return false;
    }
    const int code = av_frame_make_writable(frame_);
    if (code < 0) {
        return fail("out of memory", code);
    }
    // Bottom-up rows are read from the top row backwards; an odd last row is left out.
    const uint8_t* top =
        bottomUp ? rgb + static_cast<ptrdiff_t>(sourceHeight_ - 1) * rowBytes : rgb;
    const int stride = bottomUp ? -rowBytes : rowBytes;
    sws_scale(scale_, &top, &stride, 0, height_, frame_->data, frame_->linesize);
    frame_->pts = frames_;
    if (!encode(frame_)) {
        return false;
    }
    ++frames_;
    return true;
}

bool VideoEncoder::finish() {
    if (!isOpen()) {
        return false;
    }
    if (!failed() && encode(nullptr)) {
        const int code = av_write_trailer(format_);
        if (code < 0) {
            fail("cannot write `" + path_ + "'", code);
        } else {
            avio_flush(format_->pb);
            if (format_->pb->error < 0) {
                fail("cannot write `" + path_ + "'", format_->pb->error);
            }
        }
    }
    close();
    return !failed();
}

void VideoEncoder::abandon() {
    close();
    std::error_code ignored;
    // Only a file this video made goes, never what the name may lead to (a device, say).
    if (created_ && std::filesystem::is_regular_file(path_, ignored)) {
        std::filesystem::remove(path_, ignored);
    }
    created_ = false;
}

bool VideoEncoder::fail(const std::string& what, int code) {
    if (error_.empty()) {
        error_ = code < 0 ? what + ": " + libraryMessage(code) : what;
    }
    return false;
}

bool VideoEncoder::encode(AVFrame* frame) {
    int code = avcodec_send_frame(codec_, frame);
    if (code < 0) {
        return fail("the H.264 encoder failed", code);
    }
    for (;;) {
        code = avcodec_receive_packet(codec_, packet_);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) {
            break;
        }
        if (code < 0) {
            return fail("the H.264 encoder failed", code);
        }
        // Every frame lasts one frame time, the last one too: the video is as long as its frames.
        packet_->duration = 1;
        av_packet_rescale_ts(packet_, codec_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        code = av_interleaved_write_frame(format_, packet_);
        if (code < 0) {
            return fail("cannot write `" + path_ + "'", code);
        }
    }
    if (format_->pb->error < 0) {
        return fail("cannot write `" + path_ + "'", format_->pb->error);
    }
    return true;
}

void VideoEncoder::close() {
    if (format_) {
        if (format_->pb) {
            avio_closep(&format_->pb);
        }
        avformat_free_context(format_);
        format_ = nullptr;
    }
    avcodec_free_context(&codec_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    sws_freeContext(scale_);
    scale_ = nullptr;
    stream_ = nullptr;
}
