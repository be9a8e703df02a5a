#pragma once
// Reads a raw DV file (DIF frames one after another, as a camcorder plays them) one frame at a
// time, so a tape of any length is read in constant memory. A frame is 144000 bytes when its header
// byte 3 is 0xBF (625/50), else 120000 (525/60).

#include <QFile>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace camtrove::media {

class RawDvFileReader
{
public:
    enum class Status
    {
        Frame,     // Frame() holds the next frame
        End,       // no more bytes
        Truncated, // the file ends inside a frame; TruncatedBytes() tells how much of it there is
        Error,     // a read failed; ErrorText() says why
    };

    static constexpr std::size_t kFrameSize60 = 120000;
    static constexpr std::size_t kFrameSize50 = 144000;

    // False, with ErrorText(), when the file is missing, a folder or unreadable.
    [[nodiscard]] bool Open(const QString& path);
    [[nodiscard]] Status Next();

    [[nodiscard]] std::span<const std::uint8_t> Frame() const { return {m_frame.data(), m_frameSize}; }
    [[nodiscard]] std::size_t TruncatedBytes() const { return m_truncatedBytes; }
    [[nodiscard]] std::size_t ExpectedBytes() const { return m_frameSize; }
    [[nodiscard]] const QString& ErrorText() const { return m_error; }

private:
    [[nodiscard]] qint64 ReadFully(std::uint8_t* into, qint64 size);

    QFile m_file;
    std::vector<std::uint8_t> m_frame = std::vector<std::uint8_t>(kFrameSize50);
    std::size_t m_frameSize = 0;
    std::size_t m_truncatedBytes = 0;
    QString m_error;
};

} // namespace camtrove::media
