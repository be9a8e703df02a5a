// Finding the DivX or Xvid compressors and the MP3 encoder, by the names and the class the
// registered filters give, and what the format list offers from it.

#include "app/panels/encoder_discovery.h"
#include "graph/capture_formats.h"
#include "media/core/filter_moniker.h"
#include "media/core/guids.h"
#include "media/core/system_device_enum.h"
#include "sources_fixture.h"

namespace camtrove::app {
namespace {

using namespace camtrove::media;

struct CodecCase
{
    const char* label;
    QStringList compressors;
    QString favourite;
    QStringList kept;
    int selected;
};

TEST(DivxCodecs, KeepDivxAndXvidNamesAndChooseTheFavouriteElseTheLastXvid)
{
    const std::vector<CodecCase> cases{
        {"DivX, XviD and another: XviD without a favourite",
         {"DivX Pro 6", "Cinepak Codec", "XviD MPEG-4"},
         "",
         {"DivX Pro 6", "XviD MPEG-4"},
         1},
        {"two Xvid: the later", {"Xvid A", "DivX B", "xvid C"}, "", {"Xvid A", "DivX B", "xvid C"}, 2},
        {"a favourite that is gone", {"DivX B", "Xvid C"}, "DivX Gone", {"DivX B", "Xvid C"}, 1},
        {"the favourite", {"DivX B", "Xvid C"}, "DivX B", {"DivX B", "Xvid C"}, 0},
        {"no Xvid: the first", {"DIVX 3", "DivX 5"}, "", {"DIVX 3", "DivX 5"}, 0},
        // A name with both words is a DivX name: it does not move the Xvid choice.
        {"DivX with xvid in its name", {"Xvid C", "DivX over xvid"}, "", {"Xvid C", "DivX over xvid"}, 0},
        {"none", {"Cinepak Codec", "DV Video Encoder"}, "DivX B", {}, -1},
    };
    for (const CodecCase& c : cases) {
        SCOPED_TRACE(c.label);
        const TDivxCodecList codecs = FilterDivxCodecs(c.compressors);
        EXPECT_EQ(codecs.Names, c.kept);
        EXPECT_EQ(ChooseDivxCodec(codecs, c.favourite), c.selected);
    }
}

TEST(EncoderDiscovery, FindsTheBuiltInCompressorsAndTheLameEncoderByItsClass)
{
    const auto devices = SystemDeviceEnum::Create();
    const QStringList names = VideoCompressorNames(devices.Get());
    EXPECT_TRUE(names.contains("DV Video Encoder"));
    const ComPtr<IMoniker> dvEncoder = VideoCompressorNamed(devices.Get(), "DV Video Encoder");
    ASSERT_TRUE(dvEncoder);
    EXPECT_EQ(FriendlyNameOf(dvEncoder.Get()), "DV Video Encoder");
    EXPECT_FALSE(VideoCompressorNamed(devices.Get(), "No Such Codec"));

    const ComPtr<IMoniker> lame = LameMp3EncoderMoniker(devices.Get());
    ASSERT_TRUE(lame);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(lame->BindToObject(IID_IBaseFilter, filter.AsOut()), S_OK);
    GUID clsid{};
    ASSERT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_LameMp3Encoder);
    EXPECT_TRUE(DiscoveredEncoders::Discover(devices.Get()).Mp3EncoderFound());
}

TEST(EncoderDiscovery, FindsNothingWhereNoEncoderIsRegistered)
{
    FilterCatalogue bare;
    for (const FilterRegistration& r : FilterCatalogue::BuiltIn().Registrations()) {
        if (r.category != CLSID_VideoCompressorCategory && r.clsid != CLSID_LameMp3Encoder)
            bare.Register(r);
    }
    const auto devices = SystemDeviceEnum::Create(&bare);
    EXPECT_TRUE(VideoCompressorNames(devices.Get()).isEmpty());
    EXPECT_FALSE(LameMp3EncoderMoniker(devices.Get()));
    const DiscoveredEncoders found = DiscoveredEncoders::Discover(devices.Get());
    EXPECT_FALSE(found.DivxEncoderFound());
    EXPECT_FALSE(found.Mp3EncoderFound());
}

TEST_F(SourcesTest, TheFormatListOffersTheEncodersDiscoveredOnThisSystem)
{
    prefs.PreviewLocked->value = false;
    const DiscoveredEncoders found = DiscoveredEncoders::Discover(SystemDeviceEnum::Create().Get());
    inventory = &found;
    Start();
    EXPECT_EQ(model->FormatList.Items.contains("mp3"), found.Mp3EncoderFound());
    EXPECT_EQ(model->FormatList.Items.contains("divx"), found.DivxEncoderFound());
    EXPECT_TRUE(model->FormatList.Items.contains("mp3"));
    EXPECT_EQ(model->FormatList.Items.back(), "mp3");
}

} // namespace
} // namespace camtrove::app
