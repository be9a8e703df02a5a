#pragma once
// The synthetic tape of the built-in test camcorder: a fixed table of scenes, each frame a moving
// test pattern encoded by libavcodec's dvvideo encoder and stamped with the IEC 61834 packs a
// consumer camcorder records (continuous timecode, recording date and time, aspect, audio format).
// Not thread-safe: one TestTape renders on one thread at a time.

#include "common/datetime.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace camtrove::media {

namespace detail {
struct FrameLook;
}

enum class TapeSystem
{
    Ntsc, // 525/60: 720x480, 29.97 frames a second, 120000-byte frames, drop-frame timecode
    Pal,  // 625/50: 720x576, 25 frames a second, 144000-byte frames
};

struct TestTapeScene
{
    const char* description;
    int frames;
    bool dated;                                 // false: no recording date or time packs at all
    int year, month, day, hour, minute, second; // recording start of the scene
    bool wide;                                  // 16:9
    bool audio32k12bit;                         // otherwise 48 kHz 16-bit
};

// The scenes in tape order. A tape longer than their sum keeps running the last scene.
[[nodiscard]] std::span<const TestTapeScene> TestTapeScenes();
[[nodiscard]] int TestTapeSceneFrames(); // the frames of all scenes together

[[nodiscard]] std::size_t TapeFrameSize(TapeSystem system);

struct TapeTimecode
{
    int hours, minutes, seconds, frames;
};

// The tape position of frame index (from 0): drop-frame timecode on 525/60, so it keeps pace with
// the clock, and plain 25-frame timecode on 625/50.
[[nodiscard]] TapeTimecode TestTapeTimecode(int index, TapeSystem system);

class TestTape
{
public:
    explicit TestTape(TapeSystem system);
    ~TestTape();
    TestTape(const TestTape&) = delete;
    TestTape& operator=(const TestTape&) = delete;

    [[nodiscard]] TapeSystem System() const { return m_system; }

    // Encodes frame index of the tape (from 0) into out, resized to the frame size. Gives an
    // error text when the encoder is missing or fails.
    [[nodiscard]] std::optional<QString> RenderFrame(int index, std::vector<std::uint8_t>& out);
    // A frame as a camera records it live: frame index's timecode and picture, recorded at now,
    // 4:3 with 48 kHz sound.
    [[nodiscard]] std::optional<QString> RenderLiveFrame(int index, TDateTime now,
                                                         std::vector<std::uint8_t>& out);

private:
    struct Encoder;
    [[nodiscard]] std::optional<QString> Render(int index, const detail::FrameLook& look,
                                                std::vector<std::uint8_t>& out);

    TapeSystem m_system;
    std::unique_ptr<Encoder> m_encoder;
};

} // namespace camtrove::media
