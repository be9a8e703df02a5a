#pragma once
// An ASF file being written by libavformat's muxer through a SinkFile: the header when it opens,
// packets interleaved by time, and at Finish the trailer, the index and the header again with the
// final duration and packet count. Not thread-safe: the writer serialises its callers. A failed
// write is kept; every later call answers it.

#include "media/stock/file_writer.h"

#include <QString>

#include <memory>
#include <vector>

struct AVCodecContext;
struct AVPacket;

namespace camtrove::media {

class AsfFile
{
public:
    explicit AsfFile(SinkFile& file);
    ~AsfFile();
    AsfFile(const AsfFile&) = delete;
    AsfFile& operator=(const AsfFile&) = delete;

    // Creates the file with one stream per codec, in order, and writes its header.
    [[nodiscard]] HRESULT Open(const QString& path, const std::vector<const AVCodecContext*>& codecs);
    // A packet of stream `stream`, with times in that codec's time base.
    [[nodiscard]] HRESULT Write(std::size_t stream, AVPacket* packet);
    // Writes what is held back and completes the file, then closes it.
    [[nodiscard]] HRESULT Finish();
    [[nodiscard]] bool IsOpen() const;

private:
    struct State;
    [[nodiscard]] HRESULT Fail(int error);
    void Close();

    SinkFile& m_file;
    std::unique_ptr<State> m_state;
    HRESULT m_failure = S_OK;
};

} // namespace camtrove::media
