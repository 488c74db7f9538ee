#include "video/VideoEncoder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// One frame of a recording: the RGB pixels of a view, converted and encoded. Each frame
// differs from the one before, as a moving scene's do, so the encoder has work to do.
void encodeFrame(benchmark::State& state) {
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const std::string path = "/tmp/plimmerton-bench-" + std::to_string(getpid()) + ".mp4";
    VideoEncoder encoder;
    if (!encoder.open(path, width, height)) {
        state.SkipWithError(encoder.error().c_str());
        return;
    }
    std::vector<uint8_t> pixels(size_t(width) * height * 3);
    int frame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                uint8_t* pixel = &pixels[(size_t(y) * width + x) * 3];
                pixel[0] = uint8_t(x + frame * 3);
                pixel[1] = uint8_t(y * 2 + frame);
                pixel[2] = uint8_t((x ^ y) + frame * 5);
            }
        }
        ++frame;
        state.ResumeTiming();
        encoder.addFrame(pixels.data(), width * 3, true);
    }
    // What the encoder still holds is written at the end, as a recording's stop writes it.
    encoder.finish();
    std::remove(path.c_str());
    state.counters["frames"] = double(frame);
}
// The CPU column counts the encoder's own threads too.
BENCHMARK(encodeFrame)->Args({640, 480})->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace
