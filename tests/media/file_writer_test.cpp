#include "support/avi_capture.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

using testsupport::BufferSource;
using testsupport::FullingSinkFile;

AM_MEDIA_TYPE ByteStream()
{
    AM_MEDIA_TYPE type;
    type.majortype = MEDIATYPE_Stream;
    type.subtype = MEDIASUBTYPE_WAVE;
    type.formattype = FORMAT_None;
    return type;
}

// A byte-stream source whose samples are 100 bytes stamped 200 bytes apart, into a writer.
struct WriterGraph
{
    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<BufferSource> source;
    ComPtr<FileWriter> writer;

    WriterGraph(std::unique_ptr<SinkFile> file, int samples)
        : source(new BufferSource(ByteStream(), Buffers(samples), 200)),
          writer(FileWriter::Create(std::move(file)))
    {
        (void)graph->AddFilter(source.Get(), QStringLiteral("Source"));
        (void)graph->AddFilter(writer.Get(), QStringLiteral("File writer"));
    }
    ~WriterGraph() { (void)graph->Stop(); }

    static std::vector<std::vector<std::uint8_t>> Buffers(int count)
    {
        std::vector<std::vector<std::uint8_t>> buffers;
        for (int i = 0; i < count; ++i)
            buffers.emplace_back(100, static_cast<std::uint8_t>('a' + i));
        return buffers;
    }

    std::vector<std::pair<std::int32_t, LONG_PTR>> RunToEnd()
    {
        std::vector<std::pair<std::int32_t, LONG_PTR>> events;
        if (Failed(graph->Run()))
            return events;
        std::int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (graph->GetEvent(&code, &p1, &p2, 10000) == S_OK)
            events.emplace_back(code, p1);
        (void)graph->Stop();
        while (graph->GetEvent(&code, &p1, &p2, 0) == S_OK)
            events.emplace_back(code, p1);
        return events;
    }
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(FileWriter, WritesSamplesAtTheirPositionsAndLetsUpstreamRewriteTheHeaderAfterStop)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.wav");
    WriterGraph g(MakeLocalSinkFile(), 3);
    ASSERT_EQ(g.writer->SetFileName(path, nullptr), S_OK);
    ASSERT_EQ(g.graph->ConnectDirect(g.source->GetPin(0), g.writer->GetPin(0), nullptr), S_OK);
    const auto events = g.RunToEnd();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].first, EC_COMPLETE);

    QByteArray expected(500, '\0');
    for (int i = 0; i < 3; ++i)
        expected.replace(200 * i, 100, QByteArray(100, static_cast<char>('a' + i)));
    EXPECT_EQ(ReadAll(path), expected) << "each sample at its start time, the gaps left empty";

    // The byte stream upstream finds on the writer's input still reaches the file after Stop.
    const auto stream = QueryAs<IStream>(static_cast<IUnknown*>(static_cast<IPin*>(g.writer->GetPin(0))));
    ASSERT_TRUE(stream);
    std::uint64_t position = 0;
    ASSERT_EQ(stream->Seek(0, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 500u);
    ASSERT_EQ(stream->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
    std::uint32_t written = 0;
    ASSERT_EQ(stream->Write("RIFF", 4, &written), S_OK);
    EXPECT_EQ(written, 4u);
    ASSERT_EQ(stream->Seek(-4, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 0u);
    char back[6] = {};
    std::uint32_t read = 0;
    ASSERT_EQ(stream->Read(back, 5, &read), S_OK);
    EXPECT_STREQ(back, "RIFFa");
    expected.replace(0, 4, "RIFF");
    EXPECT_EQ(ReadAll(path), expected);

    // The next run starts the file afresh.
    ASSERT_EQ(stream->SetSize(1000), S_OK);
    (void)g.RunToEnd();
    EXPECT_EQ(ReadAll(path).size(), 500);
}

TEST(FileWriter, AFailedWriteIsRaisedOnTheGraphAndGoesBackUpstream)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("full.wav");
    auto file = std::make_unique<FullingSinkFile>(450);
    FullingSinkFile* disk = file.get();
    WriterGraph g(std::move(file), 5);
    ASSERT_EQ(g.writer->SetFileName(path, nullptr), S_OK);
    ASSERT_EQ(g.graph->ConnectDirect(g.source->GetPin(0), g.writer->GetPin(0), nullptr), S_OK);
    const auto events = g.RunToEnd();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].first, EC_ERRORABORT);
    EXPECT_EQ(events[0].second, E_DISK_FULL);
    EXPECT_EQ(disk->m_failures, 1) << "the run stops writing at the first failure";
    for (const auto& [code, param] : events)
        EXPECT_NE(code, EC_COMPLETE);
    EXPECT_EQ(ReadAll(path).size(), 450);
}

TEST(FileWriter, TakesByteStreamsOnlyAndRunsOnlyWithAName)
{
    WriterGraph g(MakeLocalSinkFile(), 1);
    EXPECT_EQ(g.writer->GetPin(0)->QueryAccept(MakeVideoType(MEDIASUBTYPE_RGB24, 8, 8, 400000)), S_FALSE);
    EXPECT_EQ(g.writer->GetPin(0)->QueryAccept(ByteStream()), S_OK);
    QString name;
    EXPECT_EQ(g.writer->GetCurFile(&name, nullptr), E_FAIL);
    EXPECT_EQ(g.writer->SetFileName(QString(), nullptr), E_INVALIDARG);
    ASSERT_EQ(g.graph->ConnectDirect(g.source->GetPin(0), g.writer->GetPin(0), nullptr), S_OK);
    EXPECT_TRUE(Failed(g.graph->Run())) << "no file to write to";
    (void)g.graph->Stop();

    QTemporaryDir dir;
    ASSERT_EQ(g.writer->SetFileName(dir.filePath("missing/folder/out.avi"), nullptr), S_OK);
    EXPECT_EQ(g.graph->Run(), E_PATH_NOT_FOUND);
    (void)g.graph->Stop();
    ASSERT_EQ(g.writer->GetCurFile(&name, nullptr), S_OK);
    EXPECT_EQ(name, dir.filePath("missing/folder/out.avi"));
}

} // namespace
} // namespace camtrove::media
