// camtrove-cli inlay FILE.dv OUT.avi [options]: burns the camcorder's recording date (or its
// timecode, the clock, a text of one's own) into the pictures of a raw DV file and writes a DV
// type 2 AVI, through the chain a "dv type 2 (recomp)" capture uses, without the preview: the
// test camcorder plays the file unclocked, the scene detector keeps each frame's packs, the frame
// is decoded, drawn on, encoded again, its packs restored, muxed with its sound and split into
// the file's video and audio streams.

#include "cli/cli_command.h"
#include "filters/ct_dvheader.h"
#include "filters/ct_scene_detect.h"
#include "filters/ct_superposer.h"
#include "media/core/dv_interfaces.h"
#include "media/core/filter_graph.h"
#include "media/devices/test_camcorder.h"
#include "media/stock/avi_mux.h"
#include "media/stock/dv_muxer.h"
#include "media/stock/dv_splitter.h"
#include "media/stock/dv_video_decoder.h"
#include "media/stock/dv_video_encoder.h"
#include "media/stock/file_writer.h"
#include "settings/catalogue.h"

#include <map>

namespace camtrove::cli {
namespace {

const QString kUsage = QStringLiteral(
    "usage: camtrove-cli inlay FILE.dv OUT.avi [--what datecode|timecode|perso|real] [--text1 T] [--text2 T] "
    "[--when permanently|once|scene|day] [--seconds N]");

struct InlayOptions
{
    QString dvFile;
    QString aviFile;
    TincrustRec record = settings::DefaultIncrustRec();
    int when = filters::iwPermanently;
    int seconds = 5;
};

// False, with the usage printed, for an argument it does not know.
bool ParseOptions(const QStringList& args, InlayOptions& options)
{
    static const std::map<QString, std::uint8_t> kWhat{{"datecode", filters::wiDatecode},
                                                       {"timecode", filters::wiTimecode},
                                                       {"perso", filters::wiPerso},
                                                       {"real", filters::wiReal}};
    static const std::map<QString, int> kWhen{{"permanently", filters::iwPermanently},
                                              {"once", filters::iwOnce},
                                              {"scene", filters::iwEachScene},
                                              {"day", filters::iwEachDay}};
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--what") && hasValue && kWhat.count(args[i + 1])) {
            options.record.WhatIncrust = kWhat.at(args[++i]);
        } else if (arg == QLatin1String("--text1") && hasValue) {
            options.record.Incrust1 = args[++i];
        } else if (arg == QLatin1String("--text2") && hasValue) {
            options.record.Incrust2 = args[++i];
        } else if (arg == QLatin1String("--when") && hasValue && kWhen.count(args[i + 1])) {
            options.when = kWhen.at(args[++i]);
        } else if (arg == QLatin1String("--seconds") && hasValue) {
            bool ok = false;
            options.seconds = args[++i].toInt(&ok);
            if (!ok || options.seconds < 0)
                return false;
        } else if (!arg.startsWith(QLatin1String("--"))) {
            files << arg;
        } else {
            return false;
        }
    }
    if (files.size() != 2)
        return false;
    options.dvFile = files[0];
    options.aviFile = files[1];
    return true;
}

// The filters of the chain, in the order the frames pass them.
struct InlayChain
{
    media::ComPtr<media::FilterGraph> graph = media::FilterGraph::Create();
    media::ComPtr<media::TestCamcorder> camcorder;
    media::ComPtr<filters::Tct_SceneDetect> sceneDetect{new filters::Tct_SceneDetect()};
    media::ComPtr<media::DvSplitter> sourceSplitter = media::DvSplitter::Create();
    media::ComPtr<media::DvVideoDecoder> decoder = media::DvVideoDecoder::Create();
    media::ComPtr<filters::Tct_Superposer> superposer{new filters::Tct_Superposer()};
    media::ComPtr<media::DvVideoEncoder> encoder = media::DvVideoEncoder::Create();
    media::ComPtr<filters::Tct_DVheader> header{new filters::Tct_DVheader()};
    media::ComPtr<media::DvMuxer> muxer = media::DvMuxer::Create();
    media::ComPtr<media::DvSplitter> fileSplitter = media::DvSplitter::Create();
    media::ComPtr<media::AviMux> aviMux = media::AviMux::Create();
    media::ComPtr<media::FileWriter> writer = media::FileWriter::Create();

    ~InlayChain() { (void)graph->Stop(); }

    // Joins and connects everything; the first failure's step, or empty.
    [[nodiscard]] QString Build(const InlayOptions& options)
    {
        const auto add = [&](media::IBaseFilter* filter, const char* name) {
            return Succeeded(graph->AddFilter(filter, QString::fromLatin1(name)));
        };
        const auto connect = [&](media::TBCBaseFilter* from, int out, media::TBCBaseFilter* to, int in) {
            return Succeeded(graph->ConnectDirect(from->GetPin(out), to->GetPin(in), nullptr));
        };
        if (!add(camcorder.Get(), "DV Source") || !add(sceneDetect.Get(), "dv_Scenedetect") ||
            !add(sourceSplitter.Get(), "dv_splitter") || !add(decoder.Get(), "dv_dec") ||
            !add(superposer.Get(), "Superposer") || !add(encoder.Get(), "DVenc") ||
            !add(header.Get(), "DV Header") || !add(muxer.Get(), "DVmux") ||
            !add(fileSplitter.Get(), "DVsplitter") || !add(aviMux.Get(), "AVI Mux") ||
            !add(writer.Get(), "File writer"))
            return QStringLiteral("adding the filters");
        const bool pal = camcorder->OutputType().lSampleSize == 144000;
        if (Failed(encoder->put_IFormatResolution(
                pal ? media::DVENCODERVIDEOFORMAT_PAL : media::DVENCODERVIDEOFORMAT_NTSC,
                media::DVENCODERFORMAT_DVSD, media::DVENCODERRESOLUTION_720x480, false, nullptr)))
            return QStringLiteral("choosing the DV standard");
        if (Failed(writer->SetFileName(options.aviFile, nullptr)))
            return QStringLiteral("opening %1").arg(options.aviFile);
        if (!connect(camcorder.Get(), 0, sceneDetect.Get(), 0) ||
            !connect(sceneDetect.Get(), 1, sourceSplitter.Get(), 0))
            return QStringLiteral("connecting the camcorder");
        if (!connect(sourceSplitter.Get(), 1, decoder.Get(), 0) ||
            !connect(decoder.Get(), 1, superposer.Get(), 0) ||
            !connect(superposer.Get(), 1, encoder.Get(), 0) || !connect(encoder.Get(), 1, header.Get(), 0) ||
            !connect(header.Get(), 1, muxer.Get(), 0))
            return QStringLiteral("connecting the video re-encoding");
        // The tape's sound, when it has any, goes into the new frames beside their pictures.
        if (sourceSplitter->GetPinCount() > 2 && !connect(sourceSplitter.Get(), 2, muxer.Get(), 1))
            return QStringLiteral("connecting the sound");
        if (!connect(muxer.Get(), muxer->GetPinCount() - 1, fileSplitter.Get(), 0) ||
            !connect(fileSplitter.Get(), 1, aviMux.Get(), 1) ||
            (fileSplitter->GetPinCount() > 2 &&
             !connect(fileSplitter.Get(), 2, aviMux.Get(), aviMux->GetPinCount() - 1)) ||
            !connect(aviMux.Get(), 0, writer.Get(), 0))
            return QStringLiteral("connecting the AVI file");
        return {};
    }
};

int RunInlay(const QStringList& args)
{
    InlayOptions options;
    if (!ParseOptions(args, options)) {
        PrintError(kUsage);
        return kExitBadInput;
    }
    media::TestCamcorderSettings settings;
    settings.tapeFile = options.dvFile;
    settings.clocked = false;
    InlayChain chain;
    chain.camcorder = media::TestCamcorder::Create(settings);
    if (!chain.camcorder->TapeError().isEmpty()) {
        PrintError(chain.camcorder->TapeError());
        return kExitBadInput;
    }

    const bool pal = chain.camcorder->OutputType().lSampleSize == 144000;
    filters::Tct_Superposer& superposer = *chain.superposer;
    superposer.SetFrameDuration(pal ? 400000 : 333667);
    superposer.SetSceneDetector(&chain.sceneDetect->Detector());
    superposer.SetInlayWhen(options.when, options.seconds);
    chain.header->SetSceneDetector(&chain.sceneDetect->Detector());
    chain.header->SetWideMode(2); // keep each frame's own aspect

    if (const QString failed = chain.Build(options); !failed.isEmpty()) {
        PrintError(QStringLiteral("the inlay chain cannot be built: %1").arg(failed));
        return kExitFailure;
    }
    // Paused, the inlay has its canvas at the picture's size, so the automatic font size follows
    // the picture's width; the camcorder gives no frame before the graph runs.
    if (Failed(chain.graph->Pause())) {
        PrintError(QStringLiteral("the inlay chain does not start"));
        return kExitFailure;
    }
    superposer.SetIncrustRec(options.record);
    superposer.SetInlayEnabled(true);
    if (Failed(chain.camcorder->put_Mode(media::ED_MODE_PLAY)) || Failed(chain.graph->Run())) {
        PrintError(QStringLiteral("the inlay chain does not run"));
        return kExitFailure;
    }
    for (;;) {
        std::int32_t code = 0;
        media::LONG_PTR p1 = 0, p2 = 0;
        if (chain.graph->GetEvent(&code, &p1, &p2, -1) != S_OK)
            continue;
        if (code == media::EC_COMPLETE)
            break;
        if (code == media::EC_ERRORABORT || code == media::EC_STREAM_ERROR_STOPPED) {
            PrintError(QStringLiteral("writing %1 failed with error 0x%2")
                           .arg(options.aviFile)
                           .arg(static_cast<quint32>(p1), 8, 16, QLatin1Char('0')));
            return kExitFailure;
        }
    }
    (void)chain.graph->Stop();
    std::int32_t frames = 0;
    (void)chain.camcorder->GetNumNotDropped(&frames);
    PrintLine(QStringLiteral("%1 frames with the inlay written to %2").arg(frames).arg(options.aviFile));
    return kExitOk;
}

const CliCommandRegistration kRegistration{{
    "inlay",
    "FILE.dv OUT.avi [--what datecode|timecode|perso|real] [--text1 T] [--text2 T] "
    "[--when permanently|once|scene|day] [--seconds N]",
    "burns the recording date, timecode, clock or a text into a raw DV file's pictures and writes a DV type "
    "2 "
    "AVI that keeps the camcorder's packs",
    RunInlay,
    true,
}};

} // namespace
} // namespace camtrove::cli
