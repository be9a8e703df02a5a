#include "filters/ecrire_scnunit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace camtrove::filters {
namespace {

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray Int32(std::int32_t v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

// The header exactly as the scene file layout defines it, for a name of L bytes and a count.
QByteArray ExpectedHeader(const QByteArray& name, std::uint16_t count)
{
    QByteArray h = Hex("6326010004000000FFFF03000A00") + "SourceTape";
    h += char(name.size());
    h += name;
    h += QByteArray(8, '\0');
    h += char(count & 0xFF);
    h += char(count >> 8);
    h += Hex("FFFF01000400") + "ClipP" + QByteArray(3, '\0');
    h += Hex("FFFF01000500") + "Scene" + QByteArray(5, '\0');
    return h;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

class SceneFile : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }
};

TEST_F(SceneFile, HeaderOffsetsFollowTheNameLength)
{
    const QString path = Path(QStringLiteral("tape.scn"));
    SceneFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    writer.Close();
    const QByteArray name = path.toUtf8();
    const QByteArray bytes = ReadAll(path);
    EXPECT_EQ(bytes, ExpectedHeader(name, 0));
    EXPECT_EQ(bytes.size(), 65 + name.size());
}

TEST_F(SceneFile, TwoScenesOfAHundredFrameCapture)
{
    // Scenes at frames 0 and 40; the first scene's start carries counter 1, Stop closes at 100.
    const QString path = Path(QStringLiteral("two.scn"));
    SceneFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    writer.AddScene(1, 40);
    writer.AddScene(40, 100);
    writer.Close();

    const QByteArray name = path.toUtf8();
    QByteArray expected = ExpectedHeader(name, 2);
    expected += Int32(41) + Hex("000000000180") + char(name.size()) + name + QByteArray(8, '\0') + Int32(41);
    expected += Hex("0380F0000000058000");
    expected += Int32(41) + Int32(61) + Hex("000000000700") + Int32(41) + Int32(61) + Int32(41);
    EXPECT_EQ(ReadAll(path), expected);
}

TEST_F(SceneFile, StopBeforeAnyFrameWritesOneFirstSceneRecord)
{
    const QString path = Path(QStringLiteral("empty.scn"));
    SceneFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    writer.AddScene(0, 0);
    writer.Close();
    const QByteArray name = path.toUtf8();
    const QByteArray bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 65 + name.size() + 23 + name.size());
    EXPECT_EQ(bytes.mid(33 + name.size(), 2), Hex("0100"));
    EXPECT_EQ(bytes.mid(65 + name.size(), 4), Int32(1));
    EXPECT_EQ(bytes.right(4), Int32(1));
}

TEST_F(SceneFile, LongNamesAreCutToWholeCharactersWithinOneLengthByte)
{
    // 200 two-byte characters: 400 bytes, cut to 254 so that no character is split.
    const QString longName = QString(200, QChar(0x00E9));
    const QByteArray stored = SceneFileWriter::StoredName(longName);
    EXPECT_EQ(stored.size(), 254);
    EXPECT_EQ(QString::fromUtf8(stored), QString(127, QChar(0x00E9)));
    EXPECT_EQ(SceneFileWriter::StoredName(QString(300, QLatin1Char('a'))).size(), 255);
    EXPECT_EQ(SceneFileWriter::StoredName(QStringLiteral("short")), QByteArray("short"));
}

TEST_F(SceneFile, AFileThatCannotBeCreatedLeavesTheWriterClosed)
{
    const QString path = Path(QStringLiteral("missing/folder/x.scn"));
    SceneFileWriter writer;
    EXPECT_FALSE(writer.Open(path));
    EXPECT_FALSE(writer.IsOpen());
    writer.AddScene(1, 10);
    writer.Close();
    EXPECT_EQ(writer.SceneCount(), 0);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SceneFile, SceneCountStopsAt32768AndStoresItsLow16Bits)
{
    const QString path = Path(QStringLiteral("many.scn"));
    SceneFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    for (std::uint32_t i = 0; i < 32770; ++i)
        writer.AddScene(i, i + 1);
    EXPECT_EQ(writer.SceneCount(), 32768);
    writer.Close();
    const QByteArray name = path.toUtf8();
    const QByteArray bytes = ReadAll(path);
    EXPECT_EQ(bytes.mid(33 + name.size(), 2), Hex("0080"));
    EXPECT_EQ(bytes.size(), 65 + name.size() + 23 + name.size() + 32767 * 35);
}

TEST_F(SceneFile, ReopeningReplacesTheEarlierFile)
{
    const QString path = Path(QStringLiteral("again.scn"));
    SceneFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    writer.AddScene(1, 5);
    writer.AddScene(5, 9);
    writer.Close();
    ASSERT_TRUE(writer.Open(path));
    writer.Close();
    EXPECT_EQ(ReadAll(path), ExpectedHeader(path.toUtf8(), 0));
}

} // namespace
} // namespace camtrove::filters
