#pragma once
// The File Writer: the sink at the end of a file-writing chain. Its input takes byte streams
// (MEDIATYPE_Stream) and writes every sample at the byte position its start time names, so a
// multiplexer or a wave writer decides the file's layout. The input pin also gives IStream, with
// which the filter upstream rewrites a header once it knows the final sizes: the file stays open
// after Stop for that, and is closed when the next run starts, the name changes or the writer
// leaves the graph. A failed write (a full disk) is never swallowed: it raises EC_ERRORABORT with
// the error on the graph and goes back upstream as the result of Receive.

#include "media/base/base_pin.h"
#include "media/core/device_interfaces.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <mutex>

namespace camtrove::media {

// Errors of file access, as the framework's callers know them.
inline constexpr HRESULT E_DISK_FULL = static_cast<HRESULT>(0x80070070u);      // ERROR_DISK_FULL
inline constexpr HRESULT E_WRITE_FAULT = static_cast<HRESULT>(0x8007001Du);    // ERROR_WRITE_FAULT
inline constexpr HRESULT E_READ_FAULT = static_cast<HRESULT>(0x8007001Eu);     // ERROR_READ_FAULT
inline constexpr HRESULT E_PATH_NOT_FOUND = static_cast<HRESULT>(0x80070003u); // ERROR_PATH_NOT_FOUND
inline constexpr HRESULT E_ACCESS_DENIED = static_cast<HRESULT>(0x80070005u);  // ERROR_ACCESS_DENIED

[[nodiscard]] HRESULT HresultFromErrno(int error);

// The file a writer fills, with positioned access. Tests replace it to make a write fail part-way,
// as a disk that fills up does.
class SinkFile
{
public:
    virtual ~SinkFile() = default;
    // Creates the file, or empties it when it exists.
    [[nodiscard]] virtual HRESULT Open(const QString& path) = 0;
    virtual void Close() = 0;
    [[nodiscard]] virtual bool IsOpen() const = 0;
    // Writes all of data or fails; a failure may leave part of it written.
    [[nodiscard]] virtual HRESULT WriteAt(std::uint64_t position, const std::uint8_t* data,
                                          std::size_t size) = 0;
    [[nodiscard]] virtual HRESULT ReadAt(std::uint64_t position, std::uint8_t* data, std::size_t size,
                                         std::size_t* read) = 0;
    [[nodiscard]] virtual HRESULT Truncate(std::uint64_t size) = 0;
};

// A file of the local file system.
[[nodiscard]] std::unique_ptr<SinkFile> MakeLocalSinkFile();

class FileWriter;

class FileWriterInputPin final : public TBCBaseInputPin, public IStream
{
public:
    FileWriterInputPin(FileWriter* filter, TBCCritSec* lock, HRESULT* result);

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

    // IStream: the same file, at a position of its own.
    HRESULT Read(void* data, std::uint32_t size, std::uint32_t* read) override;
    HRESULT Write(const void* data, std::uint32_t size, std::uint32_t* written) override;
    HRESULT Seek(std::int64_t offset, STREAM_SEEK origin, std::uint64_t* newPosition) override;
    HRESULT SetSize(std::uint64_t size) override;

private:
    FileWriter* m_writer;
};

class FileWriter final : public TBCBaseFilter, public IFileSinkFilter
{
public:
    [[nodiscard]] static ComPtr<FileWriter> Create(std::unique_ptr<SinkFile> file = MakeLocalSinkFile());
    ~FileWriter() override;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }

    // Opens (and empties) the file when a run starts; a writer without a name cannot run.
    HRESULT Pause() override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, const QString& name) override;

    // IFileSinkFilter
    HRESULT SetFileName(const QString& fileName, const AM_MEDIA_TYPE* type) override;
    HRESULT GetCurFile(QString* fileName, AM_MEDIA_TYPE* type) override;

private:
    friend class FileWriterInputPin;
    explicit FileWriter(std::unique_ptr<SinkFile> file);

    // Any thread; serialised by m_fileMutex.
    [[nodiscard]] HRESULT WriteAt(std::uint64_t position, const std::uint8_t* data, std::size_t size);
    void CloseFile();

    TBCCritSec m_lock;
    std::unique_ptr<FileWriterInputPin> m_pin;
    QString m_fileName;
    std::unique_ptr<AM_MEDIA_TYPE> m_fileType;

    std::mutex m_fileMutex; // guards the file and the positions below
    std::unique_ptr<SinkFile> m_file;
    std::uint64_t m_appendPosition = 0; // where a sample without a time goes
    std::uint64_t m_streamPosition = 0; // IStream's position
};

} // namespace camtrove::media
