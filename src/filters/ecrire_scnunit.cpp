#include "filters/ecrire_scnunit.h"

#include "filters/dv_frame_info.h"

#include <QtEndian>

namespace camtrove::filters {
namespace {

void AppendInt32(QByteArray& out, std::int32_t value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void AppendBytes(QByteArray& out, std::initializer_list<std::uint8_t> bytes)
{
    for (std::uint8_t b : bytes)
        out.append(char(b));
}

} // namespace

QByteArray SceneFileWriter::StoredName(const QString& fileName)
{
    QByteArray utf8 = fileName.toUtf8();
    if (utf8.size() <= kMaxNameBytes)
        return utf8;
    int cut = kMaxNameBytes;
    // Step back over continuation bytes so that the name ends on a whole character.
    while (cut > 0 && (std::uint8_t(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    utf8.truncate(cut);
    return utf8;
}

bool SceneFileWriter::Open(const QString& fileName)
{
    std::lock_guard lock(m_mutex);
    if (m_file.isOpen())
        m_file.close();
    m_sceneCount = 0;
    m_name = StoredName(fileName);
    m_file.setFileName(fileName);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;

    QByteArray header;
    AppendBytes(header, {0x63, 0x26, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00});
    header.append("SourceTape");
    header.append(char(m_name.size()));
    header.append(m_name);
    header.append(8, '\0');
    m_countPosition = header.size();
    header.append(2, '\0');
    AppendBytes(header, {0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00});
    header.append("ClipP");
    header.append(3, '\0');
    AppendBytes(header, {0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00});
    header.append("Scene");
    header.append(5, '\0');
    if (m_file.write(header) != header.size()) {
        m_file.close();
        return false;
    }
    return true;
}

void SceneFileWriter::AddScene(std::uint32_t startCounter, std::uint32_t currentCounter)
{
    std::lock_guard lock(m_mutex);
    if (!m_file.isOpen() || m_sceneCount >= kMaxScenes)
        return;
    ++m_sceneCount;
    const auto s = std::int32_t(startCounter + 1);
    const auto e = std::int32_t(currentCounter + 1);

    QByteArray record;
    if (m_sceneCount == 1) {
        AppendInt32(record, e);
        AppendBytes(record, {0x00, 0x00, 0x00, 0x00, 0x01, 0x80});
        record.append(char(m_name.size()));
        record.append(m_name);
        record.append(8, '\0');
        AppendInt32(record, e);
    } else {
        const std::int32_t n = e - s + 1;
        AppendBytes(record, {0x03, 0x80, 0xF0, 0x00, 0x00, 0x00, 0x05, 0x80, 0x00});
        AppendInt32(record, s);
        AppendInt32(record, n);
        AppendBytes(record, {0x00, 0x00, 0x00, 0x00, 0x07, 0x00});
        AppendInt32(record, s);
        AppendInt32(record, n);
        AppendInt32(record, s);
    }
    // A failed write loses this record only; streaming goes on and nothing is reported.
    (void)m_file.write(record);
}

void SceneFileWriter::Close()
{
    std::lock_guard lock(m_mutex);
    if (!m_file.isOpen())
        return;
    char count[2];
    qToLittleEndian(std::uint16_t(m_sceneCount & 0xFFFF), count);
    if (m_file.seek(m_countPosition))
        (void)m_file.write(count, 2);
    m_file.close();
}

bool SceneFileWriter::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_file.isOpen();
}

int SceneFileWriter::SceneCount() const
{
    std::lock_guard lock(m_mutex);
    return m_sceneCount;
}

SceneFileWriter& ScnWriter()
{
    static SceneFileWriter writer;
    return writer;
}

bool ScnOpen(const QString& fileName)
{
    return ScnWriter().Open(fileName);
}

void ScnAddScene(const TSceneFrameInfo* start, const TSceneFrameInfo* current)
{
    if (start && current)
        ScnWriter().AddScene(start->FrameCounter, current->FrameCounter);
}

void ScnClose()
{
    ScnWriter().Close();
}

} // namespace camtrove::filters
