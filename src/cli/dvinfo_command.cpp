// camtrove-cli dvinfo FILE: the DV data of every frame of a raw DV file, one tab-separated line a
// frame, read the way scene detection reads a capture.

#include "cli/cli_command.h"
#include "cli/dv_text.h"
#include "filters/dv_frame_info.h"
#include "media/devices/raw_dv_file_reader.h"

namespace camtrove::cli {
namespace {

using filters::TSceneFrameInfo;

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

int RunDvInfo(const QStringList& args)
{
    if (args.size() != 1) {
        PrintError(QStringLiteral("usage: camtrove-cli dvinfo FILE"));
        return kExitBadInput;
    }
    media::RawDvFileReader reader;
    if (!reader.Open(args.front())) {
        PrintError(reader.ErrorText());
        return kExitBadInput;
    }

    PrintLine(QStringLiteral("# frame\tdate valid\trecording date\ttimecode valid\ttimecode\tsystem\twide\t"
                             "sample rate\tquantization\tdv complete"));
    TSceneFrameInfo info;
    for (std::uint32_t index = 0;; ++index) {
        const auto status = reader.Next();
        if (status == media::RawDvFileReader::Status::Error) {
            PrintError(reader.ErrorText());
            return kExitBadInput;
        }
        if (status == media::RawDvFileReader::Status::Truncated)
            PrintError(QStringLiteral("frame %1 is truncated (%2 of %3 bytes) and skipped")
                           .arg(index)
                           .arg(reader.TruncatedBytes())
                           .arg(reader.ExpectedBytes()));
        if (status != media::RawDvFileReader::Status::Frame)
            break;
        info.FrameCounter = index;
        filters::DvReadSceneFrameInfo(reader.Frame(), info);
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
