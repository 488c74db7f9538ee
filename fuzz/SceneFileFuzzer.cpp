// libFuzzer target: the scene reader and the state reader on arbitrary bytes. Input that starts
// like a state file goes to the state reader, anything else to the scene reader. Any crash,
// sanitizer report, leak, hang or broken invariant below is a fault of the readers or writers.
//
// What is accepted must write back and read back the same: a scene's text written from what
// was read reads again into the same text; a state's bytes written from what was read are the
// bytes read. A state whose checksum is wrong is also read with the checksum made right, so
// that the checks behind it are reached too.

#include "common/Check.h"
#include "scenefile/SceneReader.h"
#include "scenefile/SceneWriter.h"
#include "scenefile/StateFile.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

const std::string scenePath = "fuzz/scene.toml";

/// The most bytes the shape taken from a state's own header may ask for beyond the input's
/// length, so that a header of huge counts costs no memory.
constexpr uint64_t stateSlack = 64;

uint32_t u32At(std::string_view bytes, size_t at) {
    uint32_t x = 0;
    for (int k = 0; k < 4; ++k) {
        x |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + k])) << (8 * k);
    }
    return x;
}

void checkRefusal(const std::string& problem, const std::string& start) {
    PLIMMERTON_CHECK(problem.compare(0, start.size(), start) == 0 && problem.size() > start.size(),
                     "a refusal says where and what");
}

void fuzzScene(std::string_view text) {
    SceneDescription scene;
    std::string problem;
    if (!readSceneText(text, scenePath, scene, problem)) {
        checkRefusal(problem, scenePath + ":");
        return;
    }
    PLIMMERTON_CHECK(!scene.bodies.empty() && scene.bodies.size() <= maxSceneBodies &&
                         scene.balls.size() <= maxSceneBalls,
                     "an accepted scene has a body and no more bodies and balls than allowed");
    const std::string written = sceneText(scene, scenePath);
    SceneDescription again;
    PLIMMERTON_CHECK(readSceneText(written, scenePath, again, problem),
                     "a scene that was read writes a scene that reads");
    PLIMMERTON_CHECK(sceneText(again, scenePath) == written, "and it reads back the same");
}

/// The shape the state's own header gives, when it asks for no more than the input holds;
/// else one small body, which the reader then refuses.
StateShape shapeFromHeader(std::string_view bytes) {
    StateShape fallback;
    fallback.bodies.push_back({2, 1});
    if (bytes.size() < stateHeaderBytes) {
        return fallback;
    }
    StateShape shape;
    const uint64_t bodies = u32At(bytes, 12);
    shape.balls = u32At(bytes, 16);
    if (bodies > (bytes.size() - stateHeaderBytes) / 8 ||
        shape.balls > static_cast<int64_t>(bytes.size())) {
        return fallback;
    }
    for (uint64_t b = 0; b < bodies; ++b) {
        shape.bodies.push_back(
            {u32At(bytes, stateHeaderBytes + 8 * b), u32At(bytes, stateHeaderBytes + 8 * b + 4)});
        if (shape.bodies.back().points > static_cast<int64_t>(bytes.size()) ||
            shape.bodies.back().springs > static_cast<int64_t>(bytes.size())) {
            return fallback;
        }
    }
    return stateFileSize(shape) <= bytes.size() + stateSlack ? shape : fallback;
}

void readState(std::string_view bytes, const StateShape& shape) {
    SimulationStateRecord record;
    std::string problem;
    if (!readStateBytes(bytes, shape, record, problem)) {
        checkRefusal(problem, "");
        return;
    }
    PLIMMERTON_CHECK(stateBytes(record) == bytes, "a state that was read writes the same bytes");
}

void fuzzState(std::string_view bytes) {
    const StateShape shape = shapeFromHeader(bytes);
    readState(bytes, shape);
    if (bytes.size() == stateFileSize(shape)) {
        std::string fixed(bytes);
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(fixed.data()), fixed.size() - 4));
        for (int k = 0; k < 4; ++k) {
            fixed[fixed.size() - 4 + k] = static_cast<char>(crc >> (8 * k));
        }
        readState(fixed, shape);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.substr(0, 8) == std::string_view(stateFileMagic, 8)) {
        fuzzState(bytes);
    } else {
        fuzzScene(bytes);
    }
    return 0;
}
