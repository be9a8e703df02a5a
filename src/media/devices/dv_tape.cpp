#include "media/devices/dv_tape.h"

#include <algorithm>
#include <limits>

namespace camtrove::media {
namespace {

constexpr std::size_t kSequence = 12000;
constexpr std::size_t kBlock = 80;
constexpr std::uint8_t kTimecodePack = 0x13;

[[nodiscard]] int FromBcd(std::uint8_t value, std::uint8_t mask)
{
    value &= mask;
    return (value >> 4) * 10 + (value & 0x0F);
}

} // namespace

std::optional<TapeTimecode> ReadSubcodeTimecode(const std::uint8_t* frame, std::size_t size)
{
    // Subcode blocks 1 and 2 of each sequence hold six sync blocks of eight bytes, the pack in
    // the last five.
    for (std::size_t sequence = 0; sequence + kSequence <= size; sequence += kSequence) {
        for (std::size_t block = 1; block <= 2; ++block) {
            for (std::size_t syncBlock = 0; syncBlock < 6; ++syncBlock) {
                const std::uint8_t* pack = frame + sequence + block * kBlock + 3 + syncBlock * 8 + 3;
                if (pack[0] != kTimecodePack || pack[1] == 0xFF)
                    continue;
                return TapeTimecode{FromBcd(pack[4], 0x3F), FromBcd(pack[3], 0x7F), FromBcd(pack[2], 0x7F),
                                    FromBcd(pack[1], 0x3F)};
            }
        }
    }
    return std::nullopt;
}

SyntheticDvTape::SyntheticDvTape(TapeSystem system, int frameCount)
    : m_system(system), m_frameCount(std::max(frameCount, 0)), m_tape(system)
{
}

std::optional<QString> SyntheticDvTape::ReadFrame(int index, std::vector<std::uint8_t>& out)
{
    if (index < 0 || index >= m_frameCount)
        return QStringLiteral("frame %1 is not on the tape").arg(index);
    return m_tape.RenderFrame(index, out);
}

std::optional<TapeTimecode> SyntheticDvTape::TimecodeAt(int index)
{
    if (index < 0 || index >= m_frameCount)
        return std::nullopt;
    return TestTapeTimecode(index, m_system);
}

std::unique_ptr<DvFileTape> DvFileTape::Open(const QString& path, QString* error)
{
    std::unique_ptr<DvFileTape> tape(new DvFileTape());
    tape->m_streamFile.setFileName(path);
    tape->m_probeFile.setFileName(path);
    if (!tape->m_streamFile.open(QIODevice::ReadOnly) || !tape->m_probeFile.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, tape->m_streamFile.errorString());
        return nullptr;
    }
    std::vector<std::uint8_t> header;
    if (!ReadAt(tape->m_probeFile, 0, header, kBlock)) {
        *error = QStringLiteral("%1 holds no DV frame").arg(path);
        return nullptr;
    }
    // Bit 7 of the header block's fourth byte is the 50 Hz flag.
    tape->m_system = (header[3] & 0x80) != 0 ? TapeSystem::Pal : TapeSystem::Ntsc;
    tape->m_frameSize = TapeFrameSize(tape->m_system);
    const qint64 frames = tape->m_streamFile.size() / static_cast<qint64>(tape->m_frameSize);
    if (frames <= 0) {
        *error = QStringLiteral("%1 holds no whole DV frame").arg(path);
        return nullptr;
    }
    tape->m_frameCount = static_cast<int>(std::min<qint64>(frames, std::numeric_limits<int>::max()));
    return tape;
}

bool DvFileTape::ReadAt(QFile& file, qint64 offset, std::vector<std::uint8_t>& out, std::size_t size)
{
    out.resize(size);
    if (!file.seek(offset))
        return false;
    qint64 done = 0;
    while (done < static_cast<qint64>(size)) {
        const qint64 got =
            file.read(reinterpret_cast<char*>(out.data()) + done, static_cast<qint64>(size) - done);
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

std::optional<QString> DvFileTape::ReadFrame(int index, std::vector<std::uint8_t>& out)
{
    if (index < 0 || index >= m_frameCount)
        return QStringLiteral("frame %1 is not on the tape").arg(index);
    if (!ReadAt(m_streamFile, static_cast<qint64>(index) * static_cast<qint64>(m_frameSize), out,
                m_frameSize))
        return QStringLiteral("cannot read frame %1 of %2: %3")
            .arg(index)
            .arg(m_streamFile.fileName(), m_streamFile.errorString());
    return std::nullopt;
}

std::optional<TapeTimecode> DvFileTape::TimecodeAt(int index)
{
    if (index < 0 || index >= m_frameCount ||
        !ReadAt(m_probeFile, static_cast<qint64>(index) * static_cast<qint64>(m_frameSize), m_probeFrame,
                m_frameSize))
        return std::nullopt;
    return ReadSubcodeTimecode(m_probeFrame.data(), m_probeFrame.size());
}

} // namespace camtrove::media
