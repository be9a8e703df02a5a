#include "media/stock/file_writer.h"

#include "media/core/graph_interfaces.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace camtrove::media {

HRESULT HresultFromErrno(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return E_DISK_FULL;
    case ENOENT:
    case ENOTDIR:
        return E_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return E_ACCESS_DENIED;
    default:
        return E_WRITE_FAULT;
    }
}

namespace {

class LocalSinkFile final : public SinkFile
{
public:
    ~LocalSinkFile() override { Close(); }

    HRESULT Open(const QString& path) override
    {
        Close();
        const QByteArray name = QFile::encodeName(path);
        m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        return m_fd < 0 ? HresultFromErrno(errno) : S_OK;
    }
    void Close() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool IsOpen() const override { return m_fd >= 0; }

    HRESULT WriteAt(std::uint64_t position, const std::uint8_t* data, std::size_t size) override
    {
        while (size > 0) {
            const ssize_t n = ::pwrite(m_fd, data, size, static_cast<off_t>(position));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return HresultFromErrno(errno);
            }
            if (n == 0)
                return E_DISK_FULL;
            data += n;
            size -= static_cast<std::size_t>(n);
            position += static_cast<std::uint64_t>(n);
        }
        return S_OK;
    }

    HRESULT ReadAt(std::uint64_t position, std::uint8_t* data, std::size_t size, std::size_t* read) override
    {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pread(m_fd, data + done, size - done, static_cast<off_t>(position + done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                *read = done;
                return E_READ_FAULT;
            }
            if (n == 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        *read = done;
        return S_OK;
    }

    HRESULT Truncate(std::uint64_t size) override
    {
        return ::ftruncate(m_fd, static_cast<off_t>(size)) == 0 ? S_OK : HresultFromErrno(errno);
    }

private:
    int m_fd = -1;
};

} // namespace

std::unique_ptr<SinkFile> MakeLocalSinkFile()
{
    return std::make_unique<LocalSinkFile>();
}

// ---- FileWriterInputPin ----

FileWriterInputPin::FileWriterInputPin(FileWriter* filter, TBCCritSec* lock, HRESULT* result)
    : TBCBaseInputPin(QStringLiteral("File writer input pin"), filter, lock, result, QStringLiteral("in")),
      m_writer(filter)
{
}

HRESULT FileWriterInputPin::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IStream) {
        *object = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    return TBCBaseInputPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT FileWriterInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return type.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
}

HRESULT FileWriterInputPin::GetMediaType(int position, AM_MEDIA_TYPE*)
{
    return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT FileWriterInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    std::uint8_t* data = nullptr;
    hr = sample->GetPointer(&data);
    if (Failed(hr))
        return hr;
    const std::int32_t length = sample->GetActualDataLength();
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = sample->GetTime(&start, &stop);
    const bool positioned = times == S_OK || times == VFW_S_NO_STOP_TIME;
    if (positioned && start < 0)
        return E_INVALIDARG;
    std::uint64_t position = 0;
    {
        std::lock_guard lock(m_writer->m_fileMutex);
        position = positioned ? static_cast<std::uint64_t>(start) : m_writer->m_appendPosition;
    }
    hr = m_writer->WriteAt(position, data, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (Failed(hr)) {
        // Later samples would leave a hole where this one belonged; the run is over.
        SetRuntimeError();
        (void)m_writer->NotifyEvent(EC_ERRORABORT, hr, 0);
    }
    return hr;
}

// The writer is where the stream ends, so its end-of-stream is the graph's completion.
HRESULT FileWriterInputPin::EndOfStream()
{
    if (!IsPinActive() || IsFlushing())
        return S_OK;
    return m_writer->NotifyEvent(EC_COMPLETE, S_OK, 0);
}

HRESULT FileWriterInputPin::Read(void* data, std::uint32_t size, std::uint32_t* read)
{
    if (!data && size > 0)
        return E_POINTER;
    std::lock_guard lock(m_writer->m_fileMutex);
    if (!m_writer->m_file->IsOpen())
        return E_UNEXPECTED;
    std::size_t done = 0;
    const HRESULT hr =
        m_writer->m_file->ReadAt(m_writer->m_streamPosition, static_cast<std::uint8_t*>(data), size, &done);
    m_writer->m_streamPosition += done;
    if (read)
        *read = static_cast<std::uint32_t>(done);
    if (Failed(hr))
        return hr;
    return done == size ? S_OK : S_FALSE;
}

HRESULT FileWriterInputPin::Write(const void* data, std::uint32_t size, std::uint32_t* written)
{
    if (!data && size > 0)
        return E_POINTER;
    std::uint64_t position = 0;
    {
        std::lock_guard lock(m_writer->m_fileMutex);
        position = m_writer->m_streamPosition;
    }
    const HRESULT hr = m_writer->WriteAt(position, static_cast<const std::uint8_t*>(data), size);
    if (written)
        *written = Succeeded(hr) ? size : 0;
    if (Succeeded(hr)) {
        std::lock_guard lock(m_writer->m_fileMutex);
        m_writer->m_streamPosition = position + size;
    }
    return hr;
}

HRESULT FileWriterInputPin::Seek(std::int64_t offset, STREAM_SEEK origin, std::uint64_t* newPosition)
{
    std::lock_guard lock(m_writer->m_fileMutex);
    std::int64_t base = 0;
    switch (origin) {
    case STREAM_SEEK_SET:
        break;
    case STREAM_SEEK_CUR:
        base = static_cast<std::int64_t>(m_writer->m_streamPosition);
        break;
    case STREAM_SEEK_END:
        base = static_cast<std::int64_t>(m_writer->m_appendPosition);
        break;
    default:
        return E_INVALIDARG;
    }
    if (base + offset < 0)
        return E_INVALIDARG;
    m_writer->m_streamPosition = static_cast<std::uint64_t>(base + offset);
    if (newPosition)
        *newPosition = m_writer->m_streamPosition;
    return S_OK;
}

HRESULT FileWriterInputPin::SetSize(std::uint64_t size)
{
    std::lock_guard lock(m_writer->m_fileMutex);
    if (!m_writer->m_file->IsOpen())
        return E_UNEXPECTED;
    const HRESULT hr = m_writer->m_file->Truncate(size);
    if (Succeeded(hr))
        m_writer->m_appendPosition = size;
    return hr;
}

// ---- FileWriter ----

FileWriter::FileWriter(std::unique_ptr<SinkFile> file)
    : TBCBaseFilter(QStringLiteral("File writer"), &m_lock, CLSID_FileWriter), m_file(std::move(file))
{
    HRESULT hr = S_OK;
    m_pin = std::make_unique<FileWriterInputPin>(this, &m_lock, &hr);
}

FileWriter::~FileWriter()
{
    CloseFile();
}

ComPtr<FileWriter> FileWriter::Create(std::unique_ptr<SinkFile> file)
{
    return ComPtr<FileWriter>(new FileWriter(std::move(file)));
}

HRESULT FileWriter::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IFileSinkFilter)
        return GetInterface(static_cast<IFileSinkFilter*>(this), object);
    return TBCBaseFilter::NonDelegatingQueryInterface(iid, object);
}

HRESULT FileWriter::Pause()
{
    TBCAutoLock lock(&m_lock);
    if (IsStopped() && m_pin->IsConnected()) {
        if (m_fileName.isEmpty())
            return E_UNEXPECTED;
        std::lock_guard fileLock(m_fileMutex);
        const HRESULT hr = m_file->Open(m_fileName);
        if (Failed(hr))
            return hr;
        m_appendPosition = 0;
        m_streamPosition = 0;
    }
    return TBCBaseFilter::Pause();
}

HRESULT FileWriter::JoinFilterGraph(IFilterGraph* graph, const QString& name)
{
    if (!graph)
        CloseFile();
    return TBCBaseFilter::JoinFilterGraph(graph, name);
}

HRESULT FileWriter::SetFileName(const QString& fileName, const AM_MEDIA_TYPE* type)
{
    if (fileName.isEmpty())
        return E_INVALIDARG;
    TBCAutoLock lock(&m_lock);
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    CloseFile();
    m_fileName = fileName;
    m_fileType = type ? std::make_unique<AM_MEDIA_TYPE>(*type) : nullptr;
    return S_OK;
}

HRESULT FileWriter::GetCurFile(QString* fileName, AM_MEDIA_TYPE* type)
{
    if (!fileName)
        return E_POINTER;
    TBCAutoLock lock(&m_lock);
    *fileName = m_fileName;
    if (type)
        *type = m_fileType ? *m_fileType : AM_MEDIA_TYPE{};
    return m_fileName.isEmpty() ? E_FAIL : S_OK;
}

HRESULT FileWriter::WriteAt(std::uint64_t position, const std::uint8_t* data, std::size_t size)
{
    std::lock_guard lock(m_fileMutex);
    if (!m_file->IsOpen())
        return E_UNEXPECTED;
    const HRESULT hr = m_file->WriteAt(position, data, size);
    if (Succeeded(hr))
        m_appendPosition = std::max(m_appendPosition, position + size);
    return hr;
}

void FileWriter::CloseFile()
{
    std::lock_guard lock(m_fileMutex);
    m_file->Close();
}

} // namespace camtrove::media
