// Throughput of a DV type 1 capture from the test camcorder: a raw DV file played unclocked
// through the AVI Mux and the File Writer, against libavformat copying the same file into an AVI
// (what `ffmpeg -i file.dv -c copy -f avi out.avi` does). Both report bytes and frames a second.
// The tape (60 s of PAL, 216 MB) and the outputs go to $CAMTROVE_BENCH_DIR or the working folder.
//
//   CAMTROVE_BENCH_DIR=/tmp build/release/bench/dv_capture_bench

#include "media/core/filter_graph.h"
#include "media/devices/test_camcorder.h"
#include "media/devices/test_tape_clip.h"
#include "media/stock/avi_mux.h"
#include "media/stock/file_writer.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>
#include <stdexcept>

namespace camtrove::media {
namespace {

constexpr int kFrames = 60 * 25;

QString BenchFile(const char* name)
{
    return QDir(qEnvironmentVariable("CAMTROVE_BENCH_DIR", QStringLiteral(".")))
        .filePath(QString::fromLatin1(name));
}

const QString& Tape()
{
    static const QString path = [] {
        const QString file = BenchFile("dv_capture_bench_tape.dv");
        if (QFile(file).size() != static_cast<qint64>(kFrames) * 144000 &&
            WriteTestTapeClip(file, TapeSystem::Pal, kFrames))
            throw std::runtime_error("cannot write the bench tape");
        return file;
    }();
    return path;
}

void CamcorderToAvi(benchmark::State& state)
{
    const QString out = BenchFile("dv_capture_bench_graph.avi");
    const QString tape = Tape(); // written once, before the clock runs
    for (auto _ : state) {
        TestCamcorderSettings settings;
        settings.tapeFile = tape;
        settings.clocked = false;
        const auto camcorder = TestCamcorder::Create(settings);
        const auto mux = AviMux::Create();
        const auto writer = FileWriter::Create();
        const auto graph = FilterGraph::Create();
        if (Failed(graph->AddFilter(camcorder.Get(), "DV Source")) ||
            Failed(graph->AddFilter(mux.Get(), "AVI Mux")) ||
            Failed(graph->AddFilter(writer.Get(), "File writer")) ||
            Failed(writer->SetFileName(out, nullptr)) ||
            Failed(graph->ConnectDirect(mux->GetPin(0), writer->GetPin(0), nullptr)) ||
            Failed(graph->ConnectDirect(camcorder->GetPin(0), mux->GetPin(1), nullptr)) ||
            Failed(camcorder->put_Mode(ED_MODE_PLAY)) || Failed(graph->Run())) {
            state.SkipWithError("the capture graph cannot be built");
            return;
        }
        std::int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        while (graph->GetEvent(&code, &p1, &p2, -1) == S_OK && code != EC_COMPLETE && code != EC_ERRORABORT) {
        }
        (void)graph->Stop();
        if (code != EC_COMPLETE)
            state.SkipWithError("the capture failed");
    }
    state.SetBytesProcessed(state.iterations() * kFrames * 144000);
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kFrames), benchmark::Counter::kIsRate);
    QFile::remove(out);
}

void LibavformatCopyToAvi(benchmark::State& state)
{
    const QByteArray in = Tape().toLocal8Bit();
    const QByteArray out = BenchFile("dv_capture_bench_copy.avi").toLocal8Bit();
    for (auto _ : state) {
        AVFormatContext* input = nullptr;
        if (avformat_open_input(&input, in.constData(), nullptr, nullptr) < 0 ||
            avformat_find_stream_info(input, nullptr) < 0) {
            state.SkipWithError("libavformat cannot read the tape");
            return;
        }
        AVFormatContext* output = nullptr;
        (void)avformat_alloc_output_context2(&output, nullptr, "avi", out.constData());
        for (unsigned i = 0; i < input->nb_streams; ++i) {
            AVStream* stream = avformat_new_stream(output, nullptr);
            (void)avcodec_parameters_copy(stream->codecpar, input->streams[i]->codecpar);
            stream->codecpar->codec_tag = 0;
            stream->time_base = input->streams[i]->time_base;
        }
        if (avio_open(&output->pb, out.constData(), AVIO_FLAG_WRITE) < 0 ||
            avformat_write_header(output, nullptr) < 0) {
            state.SkipWithError("libavformat cannot write the AVI");
            return;
        }
        AVPacket* packet = av_packet_alloc();
        while (av_read_frame(input, packet) >= 0) {
            if (static_cast<unsigned>(packet->stream_index) >= output->nb_streams) {
                av_packet_unref(packet); // a stream the demuxer found after the header was written
                continue;
            }
            av_packet_rescale_ts(packet, input->streams[packet->stream_index]->time_base,
                                 output->streams[packet->stream_index]->time_base);
            (void)av_interleaved_write_frame(output, packet);
        }
        av_packet_free(&packet);
        (void)av_write_trailer(output);
        avio_closep(&output->pb);
        avformat_free_context(output);
        avformat_close_input(&input);
    }
    state.SetBytesProcessed(state.iterations() * kFrames * 144000);
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kFrames), benchmark::Counter::kIsRate);
    QFile::remove(QString::fromLocal8Bit(out));
}

BENCHMARK(CamcorderToAvi)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(LibavformatCopyToAvi)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
// The same by the CPU time of every thread of the process, steadier than wall time on a busy machine.
BENCHMARK(CamcorderToAvi)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->MinTime(3);
BENCHMARK(LibavformatCopyToAvi)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->MinTime(3);

} // namespace
} // namespace camtrove::media
