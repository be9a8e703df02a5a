#include "settings/ini_file.h"
#include "settings/parameter_section.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace camtrove::settings {
namespace {

const QString kHeader = QStringLiteral("[\\Software\\Dorn Vesk\\Camtrove]");

struct DecodeCase
{
    const char* name;
    QByteArray bytes;
    QStringList lines;
};

void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.name;
}

class IniDecoding : public ::testing::TestWithParam<DecodeCase>
{
};

TEST_P(IniDecoding, GivesTheLines)
{
    EXPECT_EQ(DecodeIniBytes(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, IniDecoding,
    ::testing::Values(DecodeCase{"Utf16LittleEndian",
                                 QByteArray("\xFF\xFE"
                                            "a\0=\0\xE9\0\r\0\n\0b\0",
                                            14),
                                 {"a=é", "b"}},
                      DecodeCase{
                          "Utf16BigEndian", QByteArray("\xFE\xFF\0a\0=\0\xE9\0\n\0b", 12), {"a=é", "b"}},
                      DecodeCase{"Utf8Mark",
                                 QByteArray("\xEF\xBB\xBF"
                                            "a=\xC3\xA9\r\nb"),
                                 {"a=é", "b"}},
                      DecodeCase{"Utf8WithoutMark",
                                 QByteArray("Dur\xC3\xA9"
                                            "e=5\n"),
                                 {"Durée=5"}},
                      DecodeCase{"Windows1252WithoutMark",
                                 QByteArray("Dur\xE9"
                                            "e=\x80\x9C\r"),
                                 {"Durée=€œ"}},
                      DecodeCase{"MixedLineEnds", QByteArray("a\rb\nc\r\n\r\nd"), {"a", "b", "c", "", "d"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniEncoding, IsUtf16LittleEndianWithMarkAndCrLf)
{
    EXPECT_EQ(EncodeIniLines({"[]", "é"}), QByteArray("\xFF\xFE[\0]\0\r\0\n\0\xE9\0\r\0\n\0", 16));
}

TEST(ParameterSection, LookupComparesNamesAndSectionsExactly)
{
    const QStringList lines = {
        "Volume=1", // before any section
        "[\\Software\\Dorn Vesk\\Other]",
        "Volume=2",
        "  [\\Software\\Dorn Vesk\\Camtrove]  ",
        "Volume =3",
        "volume=4",
        "Volume=5=6",
        "Volume=7",
    };
    const auto found = FindParameterLine(lines, kHeader, QStringLiteral("Volume"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(ParameterLineValue(lines[*found]), QStringLiteral("5=6"));
    const auto blank = FindParameterLine(lines, kHeader, QStringLiteral("Volume "));
    ASSERT_TRUE(blank.has_value());
    EXPECT_EQ(ParameterLineValue(lines[*blank]), QStringLiteral("3"));
    EXPECT_FALSE(FindParameterLine(lines, kHeader, QStringLiteral("VOLUME")).has_value());
}

TEST(ParameterSection, WriteReplacesInsertsOrAppends)
{
    QStringList empty;
    WriteParameterLine(empty, kHeader, QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_EQ(empty, (QStringList{kHeader, "A=1"}));

    QStringList headerLast = {"[]", "Version=x", kHeader};
    WriteParameterLine(headerLast, kHeader, QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_EQ(headerLast, (QStringList{"[]", "Version=x", kHeader, "A=1"}));
    EXPECT_TRUE(FindParameterLine(headerLast, kHeader, QStringLiteral("A")).has_value());

    QStringList followed = {kHeader, "A=1", "[FormSave]", "Left=3"};
    WriteParameterLine(followed, kHeader, QStringLiteral("B"), QStringLiteral("2"));
    WriteParameterLine(followed, kHeader, QStringLiteral("A"), QStringLiteral("9"));
    EXPECT_EQ(followed, (QStringList{kHeader, "A=9", "B=2", "[FormSave]", "Left=3"}));
}

TEST(IniValues, TextsKeepEmptinessAndLineBreaks)
{
    EXPECT_EQ(EncodeIniText(QString()), QStringLiteral("#@vide§#"));
    EXPECT_TRUE(DecodeIniText(QStringLiteral("#@vide§#")).isEmpty());
    const QString names = QStringLiteral("Cam A\r\nCam B\r\n");
    EXPECT_FALSE(EncodeIniText(names).contains(QLatin1Char('\n')));
    EXPECT_EQ(DecodeIniText(EncodeIniText(names)), names);
}

TEST(IniValues, NumbersFollowTheUserDecimalSeparator)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(FormatIniReal(18.5), QStringLiteral("18,5"));
    EXPECT_EQ(ParseIniReal(QStringLiteral(" 18,5 ")), 18.5);
    EXPECT_FALSE(ParseIniReal(QStringLiteral("1 000,5")).has_value());
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(FormatIniReal(18.0), QStringLiteral("18"));
    EXPECT_EQ(FormatIniReal(0.1), QStringLiteral("0.1"));
    EXPECT_EQ(FormatIniReal(1.0 / 3.0), QStringLiteral("0.333333333333333"));
    EXPECT_EQ(FormatIniReal(1e20), QStringLiteral("1E20"));
    EXPECT_EQ(FormatIniReal(-1e-5), QStringLiteral("-1E-5"));
    EXPECT_EQ(ParseIniReal(QStringLiteral("1E20")), 1e20);
    EXPECT_FALSE(ParseIniReal(QStringLiteral("abc")).has_value());
    EXPECT_EQ(ParseIniInteger(QStringLiteral(" -12\t")), -12);
    EXPECT_FALSE(ParseIniInteger(QStringLiteral("12abc")).has_value());
    EXPECT_FALSE(ParseIniInteger(QStringLiteral("4294967296")).has_value());
    QLocale::setDefault(saved);
}

} // namespace
} // namespace camtrove::settings
