#include "media/devices/raw_dv_file_reader.h"

#include <QFileInfo>

namespace camtrove::media {

bool RawDvFileReader::Open(const QString& path)
{
    m_error.clear();
    if (QFileInfo(path).isDir()) {
        m_error = QStringLiteral("\"%1\" is a folder, not a DV file").arg(path);
        return false;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot open \"%1\": %2").arg(path, m_file.errorString());
        return false;
    }
    return true;
}

qint64 RawDvFileReader::ReadFully(std::uint8_t* into, qint64 size)
{
    qint64 got = 0;
    while (got < size) {
        const qint64 n = m_file.read(reinterpret_cast<char*>(into) + got, size - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

RawDvFileReader::Status RawDvFileReader::Next()
{
    auto failed = [this] {
        m_error = QStringLiteral("cannot read \"%1\": %2").arg(m_file.fileName(), m_file.errorString());
        return Status::Error;
    };
    const qint64 first = ReadFully(m_frame.data(), qint64(kFrameSize60));
    if (first < 0)
        return failed();
    if (first == 0)
        return Status::End;
    m_frameSize = first > 3 && m_frame[3] == 0xBF ? kFrameSize50 : kFrameSize60;
    qint64 got = first;
    if (m_frameSize == kFrameSize50 && first == qint64(kFrameSize60)) {
        const qint64 more = ReadFully(m_frame.data() + kFrameSize60, qint64(kFrameSize50 - kFrameSize60));
        if (more < 0)
            return failed();
        got += more;
    }
    if (std::size_t(got) < m_frameSize) {
        m_truncatedBytes = std::size_t(got);
        return Status::Truncated;
    }
    return Status::Frame;
}

} // namespace camtrove::media
