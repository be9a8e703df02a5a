#include "graph/capture_formats.h"

#include <gtest/gtest.h>

namespace camtrove::graph {
namespace {

struct FormatRowCase
{
    std::uint8_t code;
    const char* name;
    const char* shortName;
    const char* extension;
};

void PrintTo(const FormatRowCase& c, std::ostream* os)
{
    *os << "code " << int(c.code);
}

class FormatTable : public ::testing::TestWithParam<FormatRowCase>
{
};

TEST_P(FormatTable, NameShortNameAndExtension)
{
    const FormatRowCase& c = GetParam();
    EXPECT_EQ(CaptureFormatName(c.code), QString::fromUtf8(c.name));
    EXPECT_EQ(CaptureFormatShortName(c.code), QString::fromUtf8(c.shortName));
    EXPECT_EQ(CaptureFormatExtension(c.code), QString::fromUtf8(c.extension));
}

INSTANTIATE_TEST_SUITE_P(EveryCode, FormatTable,
                         ::testing::Values(FormatRowCase{0, "", "", ".avi"},
                                           FormatRowCase{1, "dv type 1 natifve", "native", ".avi"},
                                           FormatRowCase{2, "dv type 2 native", "native", ".avi"},
                                           FormatRowCase{3, "mpeg2 native stream", "native", ".mpg"},
                                           FormatRowCase{4, "mpeg1 native stream", "native", ".mpg"},
                                           FormatRowCase{5, "avi native", "native", ".avi"},
                                           FormatRowCase{6, "dv type 2 (recomp)", "dv2 rec", ".avi"},
                                           FormatRowCase{7, "Wmv", "Wmv", ".wmv"},
                                           FormatRowCase{8, "Image by Image", "Image by Image", ".avi"},
                                           FormatRowCase{9, "divx", "divx", ".avi"},
                                           FormatRowCase{10, "Default", "Default", ".avi"},
                                           FormatRowCase{11, "Wav", "Wav", ".wav"},
                                           FormatRowCase{12, "mp3", "mp3", ".mp3"},
                                           FormatRowCase{13, "Default", "Default", ".avi"},
                                           FormatRowCase{255, "Default", "Default", ".avi"}),
                         [](const auto& info) { return "Code" + std::to_string(info.param.code); });

TEST(CaptureFormatCode, EveryNameGivesItsCodeBack)
{
    for (std::uint8_t code = 1; code <= 12; ++code)
        EXPECT_EQ(CaptureFormatCode(CaptureFormatName(code)), code) << int(code);
}

TEST(CaptureFormatCode, NoneIsZeroAndAnyOtherTextIsDefault)
{
    EXPECT_EQ(CaptureFormatCode(QStringLiteral("None")), 0);
    for (const char* text : {"", "none", "WMV", "dv type 1 native", "Wav ", "Default"})
        EXPECT_EQ(CaptureFormatCode(QString::fromUtf8(text)), 10) << text;
}

TEST(CaptureFormatCode, OnlyTheDevicesOwnFormatsAreNative)
{
    for (int code = 0; code <= 255; ++code)
        EXPECT_EQ(IsNativeCaptureFormat(static_cast<std::uint8_t>(code)), code >= 1 && code <= 5) << code;
}

} // namespace
} // namespace camtrove::graph
