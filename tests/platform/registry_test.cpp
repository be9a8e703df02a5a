#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace camtrove::platform {
namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct ValueCase
{
    const char* name;
    std::uint32_t type;
    QByteArray bytes;
};

void PrintTo(const ValueCase& c, std::ostream* os)
{
    *os << c.name;
}

class RegistryValueBytes : public ::testing::TestWithParam<ValueCase>
{
};

TEST_P(RegistryValueBytes, SurviveTheFileExactly)
{
    const ValueCase& c = GetParam();
    QTemporaryDir dir;
    {
        Registry writer(dir.path());
        ASSERT_TRUE(writer.OpenKey(QStringLiteral("\\Software\\Test"), true));
        ASSERT_TRUE(writer.WriteData(QStringLiteral("value"), c.type, c.bytes));
    }
    Registry reader(dir.path());
    ASSERT_TRUE(reader.OpenKey(QStringLiteral("Software\\Test"), false));
    const auto data = reader.ReadData(QStringLiteral("value"));
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->type, c.type);
    EXPECT_EQ(data->bytes, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Types, RegistryValueBytes,
    ::testing::Values(ValueCase{"SzWithTerminator", REG_SZ, Bytes({'V', 0, 'i', 0, 0, 0})},
                      ValueCase{"SzTwiceLengthPlusOne", REG_SZ, Bytes({'V', 0, 'i', 0, 0})},
                      ValueCase{"SzOneByteEmpty", REG_SZ, Bytes({0})},
                      ValueCase{"SzNoBytes", REG_SZ, QByteArray()},
                      ValueCase{"SzWithoutTerminator", REG_SZ, Bytes({'a', 0})},
                      ValueCase{"SzOddLastByteNotZero", REG_SZ, Bytes({'a', 0, 7})},
                      ValueCase{"SzEscapes", REG_SZ,
                                Registry::Utf16Bytes(QStringLiteral("a\"b\\c\r\nd\te\x01 é€")) +
                                    QByteArray(2, '\0')},
                      ValueCase{"SzLoneSurrogate", REG_SZ, Bytes({0x00, 0xd8, 'x', 0, 0, 0})},
                      ValueCase{"ExpandSz", REG_EXPAND_SZ,
                                Registry::Utf16Bytes(QStringLiteral("%HOME%/x")) + QByteArray(2, '\0')},
                      ValueCase{"Dword", REG_DWORD, Bytes({0x88, 0x13, 0, 0})},
                      ValueCase{"DwordOfThreeBytes", REG_DWORD, Bytes({1, 2, 3})},
                      ValueCase{"Binary", REG_BINARY, Bytes({0, 0, 0, 0, 0, 0, 0x32, 0x40})},
                      ValueCase{"BinaryEmpty", REG_BINARY, QByteArray()},
                      ValueCase{"OtherType", 7, Bytes({'A', 0, 0, 0, 0, 0})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Registry, NamesCompareWithoutLetterCaseAndKeepTheirOrder)
{
    QTemporaryDir dir;
    Registry reg(dir.path());
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dorn Vesk\\Camtrove"), true));
    ASSERT_TRUE(reg.WriteString(QStringLiteral("ExeName"), QStringLiteral("/opt/camtrove")));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("b"), 1));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("a"), 2));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("B"), 3)); // rewrites "b" in its place
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("zeta"), true));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\SOFTWARE\\dorn vesk\\camtrove\\Alpha"), true));

    Registry other(dir.path());
    ASSERT_TRUE(other.OpenKey(QStringLiteral("\\software\\DORN VESK\\CAMTROVE"), false));
    EXPECT_EQ(other.CurrentPath(), QStringLiteral("software\\DORN VESK\\CAMTROVE"));
    EXPECT_EQ(other.ReadString(QStringLiteral("exename")), QStringLiteral("/opt/camtrove"));
    EXPECT_EQ(other.GetValueNames(), (QStringList{"ExeName", "b", "a"}));
    EXPECT_EQ(other.ReadInteger(QStringLiteral("b")), 3);
    EXPECT_EQ(other.GetKeyNames(), (QStringList{"zeta", "Alpha"}));
}

TEST(Registry, OpensCreatesAndDeletesKeys)
{
    QTemporaryDir dir;
    Registry reg(dir.path());
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("\\Software\\Missing"), false));
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_FALSE(QFile::exists(dir.filePath(Registry::FileNameOf(HKEY_CURRENT_USER))));

    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dorn Vesk"), true));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Camtrove\\IncrustRec\\FontRec"), true)); // relative
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\Dorn Vesk\\Camtrove\\IncrustRec\\FontRec"));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("FontSize"), 21));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dorn Vesk\\Reeltrak"), true));
    ASSERT_TRUE(reg.WriteString(QStringLiteral("Exename"), QStringLiteral("/usr/bin/reeltrak")));
    reg.CloseKey();

    EXPECT_TRUE(reg.DeleteKey(QStringLiteral("\\Software\\Dorn Vesk\\Camtrove")));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\Software\\Dorn Vesk\\Camtrove\\IncrustRec")));
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\Software\\Dorn Vesk\\Reeltrak")));
    EXPECT_FALSE(reg.DeleteKey(QStringLiteral("\\Software\\Dorn Vesk\\Camtrove")));
    EXPECT_FALSE(reg.DeleteKey(QStringLiteral("\\")));

    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dorn Vesk\\Reeltrak"), false));
    EXPECT_TRUE(reg.DeleteValue(QStringLiteral("EXENAME")));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Exename")));
    EXPECT_FALSE(reg.DeleteValue(QStringLiteral("Exename")));

    // A key deleted while open refuses writes instead of bringing it back.
    Registry other(dir.path());
    ASSERT_TRUE(other.DeleteKey(QStringLiteral("\\Software\\Dorn Vesk\\Reeltrak")));
    EXPECT_FALSE(reg.WriteInteger(QStringLiteral("x"), 1));
    EXPECT_FALSE(other.KeyExists(QStringLiteral("\\Software\\Dorn Vesk\\Reeltrak")));
}

TEST(Registry, RootsAreSeparateFiles)
{
    QTemporaryDir dir;
    Registry reg(dir.path(), HKEY_CLASSES_ROOT);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\CLSID\\{1}"), true));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\CLSID")));
    reg.SetRootKey(HKEY_CLASSES_ROOT);
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\clsid\\{1}")));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("classes_root.reg"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("local_machine.reg"))));
}

TEST(Registry, FileIsReadableText)
{
    QTemporaryDir dir;
    Registry reg(dir.path());
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dorn Vesk\\Camtrove"), true));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Volume"), 5000));
    ASSERT_TRUE(reg.WriteString(QStringLiteral("Video Racine"), QStringLiteral("Vidéo \"1\"")));
    ASSERT_TRUE(reg.WriteData(QStringLiteral("ExeName"), REG_SZ, Bytes({'a', 0, 0})));
    ASSERT_TRUE(reg.WriteBinaryData(QStringLiteral("Framerate"), Bytes({0, 0, 0, 0, 0, 0, 0x32, 0x40})));
    EXPECT_EQ(FileBytes(dir.filePath(QStringLiteral("current_user.reg"))),
              QByteArray("; Camtrove registry store: HKEY_CURRENT_USER\n"
                         "[Software]\n"
                         "[Software\\Dorn Vesk]\n"
                         "[Software\\Dorn Vesk\\Camtrove]\n"
                         "\"Volume\"=dword:00001388\n"
                         "\"Video Racine\"=sz:\"Vid\xc3\xa9o \\\"1\\\"\"\n"
                         "\"ExeName\"=sz(3):\"a\"\n"
                         "\"Framerate\"=hex:00,00,00,00,00,00,32,40\n"));
}

TEST(Registry, TwoProgramsKeepEachOthersWrites)
{
    QTemporaryDir dir;
    Registry first(dir.path());
    Registry second(dir.path());
    ASSERT_TRUE(first.OpenKey(QStringLiteral("\\Software\\A"), true));
    ASSERT_TRUE(second.OpenKey(QStringLiteral("\\Software\\B"), true));
    ASSERT_TRUE(first.WriteInteger(QStringLiteral("one"), 1));
    ASSERT_TRUE(second.WriteInteger(QStringLiteral("two"), 2));
    ASSERT_TRUE(first.WriteInteger(QStringLiteral("three"), 3));

    Registry reader(dir.path());
    EXPECT_TRUE(reader.OpenKey(QStringLiteral("\\Software\\A"), false));
    EXPECT_EQ(reader.GetValueNames(), (QStringList{"one", "three"}));
    EXPECT_TRUE(reader.OpenKey(QStringLiteral("\\Software\\B"), false));
    EXPECT_EQ(reader.ReadInteger(QStringLiteral("two")), 2);
    // The first program sees the second's change without reopening.
    EXPECT_TRUE(first.KeyExists(QStringLiteral("\\Software\\B")));
}

TEST(Registry, DamagedFilesAreReportedOnceKeptAsideAndReadAsEmpty)
{
    const std::vector<QByteArray> damaged = {
        QByteArray("\"Volume\"=dword:00001388\n"),       // a value before any key
        QByteArray("[Software]\n\"Volume\"=dword:13\n"), // short dword
        QByteArray("[Software]\nVolume=1\n"),            // unquoted name
        QByteArray("[Software]\n\"V\"=sz:\"open\n"),     // unterminated text
        QByteArray("[Software]\n\"V\"=sz(1):\"ab\"\n"),  // byte count below the text
        QByteArray("[Software]\n\"V\"=hex:0g\n"),
        QByteArray("[Soft\x01ware]\n"),
        QByteArray("[Software]\n\xff\xfe\n"), // not UTF-8
    };
    for (const QByteArray& content : damaged) {
        SCOPED_TRACE(content.toStdString());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("current_user.reg"));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QStringList reports;
        SetRegistryDamageHandler([&](const QString& message) { reports << message; });
        Registry reg(dir.path());
        EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\Software")));
        EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\Software")));
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\New"), true));
        Registry again(dir.path());
        EXPECT_TRUE(again.KeyExists(QStringLiteral("\\Software\\New")));
        SetRegistryDamageHandler({});
        EXPECT_EQ(reports.size(), 1);
        EXPECT_EQ(FileBytes(path + QStringLiteral(".damaged")), content);
    }
}

TEST(Registry, FailedWriteKeepsTheStoreAsTheFileHasIt)
{
    QTemporaryDir dir;
    Registry reg(dir.path());
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software"), true));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("kept"), 1));
    const QString path = dir.filePath(QStringLiteral("current_user.reg"));
    const QByteArray before = FileBytes(path);
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    if (QFile(dir.filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly))
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    EXPECT_FALSE(reg.WriteInteger(QStringLiteral("lost"), 2));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("lost")));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(FileBytes(path), before);
}

} // namespace
} // namespace camtrove::platform
