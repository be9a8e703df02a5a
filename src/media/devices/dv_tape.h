#pragma once
// What a DV deck plays: a tape of DV frames that can be read at any position. The test
// camcorder plays either the synthetic test tape or a raw DV file chosen by the user.
// ReadFrame is for one thread (the streaming thread); TimecodeAt may be called from another.

#include "media/devices/test_tape.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace camtrove::media {

class DvTape
{
public:
    virtual ~DvTape() = default;
    [[nodiscard]] virtual TapeSystem System() const = 0;
    [[nodiscard]] virtual int FrameCount() const = 0;
    // Frame index (from 0) into out; an error text when it cannot be read.
    [[nodiscard]] virtual std::optional<QString> ReadFrame(int index, std::vector<std::uint8_t>& out) = 0;
    // The timecode recorded on the tape at index; none where the tape has none.
    [[nodiscard]] virtual std::optional<TapeTimecode> TimecodeAt(int index) = 0;
};

// The timecode pack of a DV frame's subcode, if the frame carries one.
[[nodiscard]] std::optional<TapeTimecode> ReadSubcodeTimecode(const std::uint8_t* frame, std::size_t size);

// The synthetic tape: its scene table, then its last scene running on to frameCount frames.
class SyntheticDvTape final : public DvTape
{
public:
    SyntheticDvTape(TapeSystem system, int frameCount);
    [[nodiscard]] TapeSystem System() const override { return m_system; }
    [[nodiscard]] int FrameCount() const override { return m_frameCount; }
    [[nodiscard]] std::optional<QString> ReadFrame(int index, std::vector<std::uint8_t>& out) override;
    [[nodiscard]] std::optional<TapeTimecode> TimecodeAt(int index) override;

private:
    TapeSystem m_system;
    int m_frameCount;
    TestTape m_tape;
};

// A raw DV file (frames one after another) as a tape. Its line system is the first frame's; a
// partial frame at the end is not part of the tape.
class DvFileTape final : public DvTape
{
public:
    // None, with error set, when the file is missing, unreadable or holds no whole DV frame.
    [[nodiscard]] static std::unique_ptr<DvFileTape> Open(const QString& path, QString* error);

    [[nodiscard]] TapeSystem System() const override { return m_system; }
    [[nodiscard]] int FrameCount() const override { return m_frameCount; }
    [[nodiscard]] std::optional<QString> ReadFrame(int index, std::vector<std::uint8_t>& out) override;
    [[nodiscard]] std::optional<TapeTimecode> TimecodeAt(int index) override;

private:
    DvFileTape() = default;
    [[nodiscard]] static bool ReadAt(QFile& file, qint64 offset, std::vector<std::uint8_t>& out,
                                     std::size_t size);

    TapeSystem m_system = TapeSystem::Pal;
    std::size_t m_frameSize = 0;
    int m_frameCount = 0;
    QFile m_streamFile; // the streaming thread's handle
    QFile m_probeFile;  // the control thread's handle, for the timecode
    std::vector<std::uint8_t> m_probeFrame;
};

} // namespace camtrove::media
