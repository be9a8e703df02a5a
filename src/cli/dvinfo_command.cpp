// camtrove-cli dvinfo FILE: the DV data of every frame of a raw DV file, one tab-separated line a
// frame, read the way scene detection reads a capture.

#include "cli/cli_command.h"
#include "common/datetime.h"
#include "filters/dv_frame_info.h"
#include "filters/dvcodes.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

namespace camtrove::cli {
namespace {

using filters::TSceneFrameInfo;

QString DateText(const TSceneFrameInfo& info)
{
    if (!info.DateValid)
        return QStringLiteral("-");
    const DateTimeParts parts = DecodeDateTime(info.RecDate);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", parts.year, parts.month, parts.day, parts.hour,
                             parts.minute, parts.second);
}

QString TimecodeText(const TSceneFrameInfo& info)
{
    if (!info.TimecodeValid)
        return QStringLiteral("-");
    const std::uint32_t tc = info.Timecode;
    return QString::asprintf("%u:%02u:%02u:%02u", tc & 0xFF, tc >> 8 & 0xFF, tc >> 16 & 0xFF, tc >> 24 & 0xFF);
}

QString FrameLine(const TSceneFrameInfo& info)
{
    return QStringList{QString::number(info.FrameIndex),
                       QString::number(info.DateValid ? 1 : 0),
                       DateText(info),
                       QString::number(info.TimecodeValid ? 1 : 0),
                       TimecodeText(info),
                       QString::number(info.System),
                       QString::number(info.Wide ? 1 : 0),
                       QString::number(info.SampleRate),
                       QString::number(info.Quantization),
                       QString::number(info.DvComplete ? 1 : 0)}
        .join(QLatin1Char('\t'));
}

// Reads up to size bytes; fewer only at the end of the file. -1 on a read error.
qint64 ReadFully(QFile& file, std::uint8_t* into, qint64 size)
{
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(reinterpret_cast<char*>(into) + got, size - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

int RunDvInfo(const QStringList& args)
{
    if (args.size() != 1) {
        PrintError(QStringLiteral("usage: camtrove-cli dvinfo FILE"));
        return kExitBadInput;
    }
    const QString path = args.front();
    if (QFileInfo(path).isDir()) {
        PrintError(QStringLiteral("\"%1\" is a folder, not a DV file").arg(path));
        return kExitBadInput;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        PrintError(QStringLiteral("cannot open \"%1\": %2").arg(path, file.errorString()));
        return kExitBadInput;
    }

    PrintLine(QStringLiteral("# frame\tdate valid\trecording date\ttimecode valid\ttimecode\tsystem\twide\t"
                             "sample rate\tquantization\tdv complete"));
    // One frame at a time, so a file of any length is read in constant memory.
    std::vector<std::uint8_t> frame(filters::kDvFrameSize50);
    TSceneFrameInfo info;
    for (std::uint32_t index = 0;; ++index) {
        const qint64 start = ReadFully(file, frame.data(), static_cast<qint64>(filters::kDvFrameSize60));
        if (start < 0) {
            PrintError(QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString()));
            return kExitBadInput;
        }
        if (start == 0)
            break;
        std::size_t size = filters::kDvFrameSize60;
        qint64 got = start;
        if (start > 3 && frame[3] == 0xBF) {
            size = filters::kDvFrameSize50;
            const qint64 rest = static_cast<qint64>(size - filters::kDvFrameSize60);
            const qint64 more = start == static_cast<qint64>(filters::kDvFrameSize60)
                                    ? ReadFully(file, frame.data() + filters::kDvFrameSize60, rest)
                                    : 0;
            if (more < 0) {
                PrintError(QStringLiteral("cannot read \"%1\": %2").arg(path, file.errorString()));
                return kExitBadInput;
            }
            got += more;
        }
        if (static_cast<std::size_t>(got) < size) {
            PrintError(QStringLiteral("frame %1 is truncated (%2 of %3 bytes) and skipped").arg(index).arg(got).arg(size));
            break;
        }
        info.FrameCounter = index;
        filters::DvReadSceneFrameInfo(std::span<const std::uint8_t>(frame.data(), size), info);
        info.Processed = true;
        PrintLine(FrameLine(info));
    }
    return kExitOk;
}

const CliCommandRegistration kRegistration{{
    "dvinfo",
    "FILE",
    "recording date, timecode, aspect and audio format of every frame of a raw DV file",
    RunDvInfo,
}};

} // namespace
} // namespace camtrove::cli
