#include "filters/fpsunit.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace camtrove::filters {
namespace {

// AVI files nest four lists deep; anything deeper is skipped whole rather than walked on the stack.
constexpr int kMaxListDepth = 64;

constexpr std::int64_t kChunkHeaderBytes = 8;
constexpr std::int64_t kScaleOffset = 20;
constexpr std::int64_t kStreamHeaderBytes = 56;

std::uint32_t ReadLe32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

void WriteLe32(char* p, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((value >> (8 * i)) & 0xFF);
}

bool IsCode(const char* p, const char* code)
{
    return std::memcmp(p, code, 4) == 0;
}

// One pass over the chunk tree. Every chunk's size is cut to the end of the file and of the list
// holding it, so each byte is visited at most once and the walk ends on any input.
class RiffWalk
{
public:
    RiffWalk(QFile& file, const PumpEvents& pumpEvents)
        : m_file(file), m_fileSize(file.size()), m_pumpEvents(pumpEvents)
    {
    }

    std::optional<std::int64_t> Run()
    {
        std::int64_t remaining = m_fileSize;
        while (remaining > 0) {
            const std::int64_t n = ReadChunk(m_fileSize, 0);
            if (m_stopped || n == kChunkHeaderBytes)
                break;
            remaining -= n;
        }
        return m_scalePosition;
    }

private:
    // Returns the bytes the chunk covers, header included. Depth 0 is the top level.
    std::int64_t ReadChunk(std::int64_t end, int depth)
    {
        if (m_pumpEvents)
            m_pumpEvents();
        char header[kChunkHeaderBytes];
        if (m_file.read(header, kChunkHeaderBytes) != kChunkHeaderBytes) {
            m_stopped = true;
            return 0;
        }
        if (depth == 0 && !IsCode(header, "RIFF"))
            return kChunkHeaderBytes;

        std::int64_t size = ReadLe32(header + 4);
        if (size % 2 != 0)
            ++size;
        const std::int64_t dataStart = m_file.pos();
        size = std::clamp<std::int64_t>(size, 0, end - dataStart);
        if (size == 0)
            return kChunkHeaderBytes;

        if (IsCode(header, "RIFF") || IsCode(header, "LIST"))
            ReadList(dataStart, size, depth);
        else if (IsCode(header, "strh"))
            ReadStreamHeader(dataStart, size);
        if (!m_stopped && !m_file.seek(dataStart + size))
            m_stopped = true;
        return size + kChunkHeaderBytes;
    }

    void ReadList(std::int64_t dataStart, std::int64_t size, int depth)
    {
        char listType[4];
        if (size < 4 || m_file.read(listType, 4) != 4) {
            m_stopped = size >= 4;
            return;
        }
        // The frames hold no headers; skipping them keeps the walk quick on large captures.
        if (IsCode(listType, "movi") || depth >= kMaxListDepth)
            return;
        std::int64_t rest = size - 4;
        while (rest > 7) {
            const std::int64_t n = ReadChunk(dataStart + size, depth + 1);
            if (m_stopped || n > rest)
                return;
            rest -= n;
        }
    }

    void ReadStreamHeader(std::int64_t dataStart, std::int64_t size)
    {
        char data[kStreamHeaderBytes];
        const std::int64_t wanted = std::min(size, kStreamHeaderBytes);
        if (m_file.read(data, wanted) != wanted) {
            m_stopped = true;
            return;
        }
        // A header too short to hold both fields would have its neighbour overwritten.
        if (size >= kScaleOffset + 8 && (IsCode(data, "vids") || IsCode(data, "iavs")))
            m_scalePosition = dataStart + kScaleOffset;
    }

    QFile& m_file;
    const std::int64_t m_fileSize;
    const PumpEvents& m_pumpEvents;
    std::optional<std::int64_t> m_scalePosition;
    bool m_stopped = false;
};

double RoundHalfToEven(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5)
        return floor + 1;
    if (fraction < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1;
}

AviFrameRateResult Failure(AviFrameRateStatus status, const QString& message)
{
    AviFrameRateResult result;
    result.status = status;
    result.message = message;
    return result;
}

} // namespace

std::optional<std::int64_t> FindVideoRatePosition(const QString& fileName, const PumpEvents& pumpEvents)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly))
        return std::nullopt;
    return RiffWalk(file, pumpEvents).Run();
}

std::optional<std::uint32_t> AviScaleForFrameRate(double framesPerSecond)
{
    if (!(framesPerSecond > 0.0))
        return std::nullopt;
    const double scale = RoundHalfToEven(double(kAviFrameRateRate) / framesPerSecond);
    if (!(scale >= 1.0) || scale > double(std::numeric_limits<std::uint32_t>::max()))
        return std::nullopt;
    return std::uint32_t(scale);
}

AviFrameRateResult SetAviFrameRate(const QString& fileName, double framesPerSecond,
                                   const PumpEvents& pumpEvents)
{
    const auto scale = AviScaleForFrameRate(framesPerSecond);
    if (!scale) {
        return Failure(AviFrameRateStatus::BadFrameRate,
                       QStringLiteral("%1 is not a usable frame rate: it must be above 0 and give a scale "
                                      "(1000000 / frames per second) from 1 to 4294967295")
                           .arg(framesPerSecond));
    }
    const QFileInfo info(fileName);
    if (!info.exists())
        return Failure(AviFrameRateStatus::FileMissing,
                       QStringLiteral("\"%1\" does not exist").arg(fileName));

    QFile reader(fileName);
    if (!reader.open(QIODevice::ReadOnly | QIODevice::ExistingOnly)) {
        return Failure(AviFrameRateStatus::CannotRead,
                       QStringLiteral("cannot read \"%1\": %2").arg(fileName, reader.errorString()));
    }
    const std::optional<std::int64_t> position = RiffWalk(reader, pumpEvents).Run();
    reader.close();
    if (!position) {
        return Failure(
            AviFrameRateStatus::NoVideoStreamHeader,
            QStringLiteral("\"%1\" holds no video or interleaved stream header; it was left unchanged")
                .arg(fileName));
    }

    QFile writer(fileName);
    if (!writer.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        return Failure(
            AviFrameRateStatus::CannotWrite,
            QStringLiteral("cannot open \"%1\" for writing: %2").arg(fileName, writer.errorString()));
    }
    char fields[8];
    WriteLe32(fields, *scale);
    WriteLe32(fields + 4, kAviFrameRateRate);
    if (!writer.seek(*position) || writer.write(fields, sizeof fields) != qint64(sizeof fields) ||
        !writer.flush()) {
        return Failure(AviFrameRateStatus::CannotWrite,
                       QStringLiteral("cannot write the frame rate into \"%1\": %2")
                           .arg(fileName, writer.errorString()));
    }

    AviFrameRateResult result;
    result.scale = *scale;
    result.rate = kAviFrameRateRate;
    result.scalePosition = *position;
    return result;
}

} // namespace camtrove::filters
