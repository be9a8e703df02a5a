#include "media/codecs/wm_profile.h"
#include "media/codecs/wm_profile_catalogue.h"
#include "media/codecs/wm_profile_manager.h"

#include <gtest/gtest.h>
#include <set>

namespace camtrove::media {
namespace {

ComPtr<IWMProfileManager2> Manager()
{
    ComPtr<IWMProfileManager> manager;
    EXPECT_EQ(WMCreateProfileManager(&manager), S_OK);
    return QueryAs<IWMProfileManager2>(manager);
}

std::vector<GUID> StreamTypes(IWMProfile* profile)
{
    std::uint32_t count = 0;
    EXPECT_EQ(profile->GetStreamCount(&count), S_OK);
    std::vector<GUID> types;
    for (std::uint32_t i = 0; i < count; ++i) {
        ComPtr<IWMStreamConfig> stream;
        GUID type;
        EXPECT_EQ(profile->GetStream(i, &stream), S_OK);
        EXPECT_EQ(stream->GetStreamType(&type), S_OK);
        types.push_back(type);
    }
    return types;
}

class SystemProfilesOfVersion : public ::testing::TestWithParam<WMT_VERSION>
{
};

// Every system profile describes streams a recording can be made with: a named profile of the
// version asked for, wmv2 video with a picture size and frame rate, wmav2 audio with a rate.
TEST_P(SystemProfilesOfVersion, AreNamedAndDescribeWritableStreams)
{
    auto manager = Manager();
    ASSERT_TRUE(manager);
    ASSERT_EQ(manager->SetSystemProfileVersion(GetParam()), S_OK);
    std::uint32_t count = 0;
    ASSERT_EQ(manager->GetSystemProfileCount(&count), S_OK);
    ASSERT_GE(count, 4u);
    std::set<QString> names;
    int withVideo = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        ComPtr<IWMProfile> profile;
        ASSERT_EQ(manager->LoadSystemProfile(i, &profile), S_OK);
        WMT_VERSION version{};
        QString name, description;
        ASSERT_EQ(profile->GetVersion(&version), S_OK);
        ASSERT_EQ(profile->GetName(&name), S_OK);
        ASSERT_EQ(profile->GetDescription(&description), S_OK);
        EXPECT_EQ(version, GetParam());
        EXPECT_FALSE(description.isEmpty());
        EXPECT_TRUE(names.insert(name).second) << "repeated name " << name.toStdString();

        const auto described = DescribeProfile(profile.Get());
        ASSERT_TRUE(described) << name.toStdString();
        for (const auto& stream : described->streams) {
            ComPtr<IWMStreamConfig> config;
            ASSERT_EQ(profile->GetStreamByNumber(stream.number, &config), S_OK);
            AM_MEDIA_TYPE type;
            ASSERT_EQ(config->GetMediaType(&type), S_OK);
            EXPECT_GE(stream.bitrate, 24000u);
            if (stream.IsVideo()) {
                ++withVideo;
                EXPECT_EQ(type.subtype, WMMEDIASUBTYPE_WMV2);
                EXPECT_GT(stream.width, 0);
                EXPECT_EQ(stream.width % 16, 0);
                EXPECT_EQ(stream.height % 16, 0);
                EXPECT_GE(stream.frameDuration, 333333);
            } else {
                EXPECT_EQ(type.subtype, WMMEDIASUBTYPE_WMAudioV8);
                EXPECT_TRUE(stream.sampleRate == 22050 || stream.sampleRate == 44100 ||
                            stream.sampleRate == 48000);
                EXPECT_TRUE(stream.channels == 1 || stream.channels == 2);
            }
        }
    }
    EXPECT_GE(withVideo, 3);
    ComPtr<IWMProfile> beyond;
    EXPECT_TRUE(Failed(manager->LoadSystemProfile(count, &beyond)));
}

INSTANTIATE_TEST_SUITE_P(Versions, SystemProfilesOfVersion,
                         ::testing::Values(WMT_VER_4_0, WMT_VER_7_0, WMT_VER_8_0),
                         [](const auto& info) { return "Version" + std::to_string(info.param >> 16); });

TEST(WmProfileManager, StartsAtVersion8AndRefusesAVersionWithoutProfiles)
{
    auto manager = Manager();
    WMT_VERSION version{};
    ASSERT_EQ(manager->GetSystemProfileVersion(&version), S_OK);
    EXPECT_EQ(version, WMT_VER_8_0);
    ASSERT_EQ(manager->SetSystemProfileVersion(WMT_VER_7_0), S_OK);
    EXPECT_TRUE(Failed(manager->SetSystemProfileVersion(static_cast<WMT_VERSION>(0x50000))));
    ASSERT_EQ(manager->GetSystemProfileVersion(&version), S_OK);
    EXPECT_EQ(version, WMT_VER_7_0);

    // The versions' lists differ, so a list refilled for another version shows other profiles.
    ComPtr<IWMProfile> first7, first4;
    QString name7, name4;
    ASSERT_EQ(manager->LoadSystemProfile(0, &first7), S_OK);
    ASSERT_EQ(manager->SetSystemProfileVersion(WMT_VER_4_0), S_OK);
    ASSERT_EQ(manager->LoadSystemProfile(0, &first4), S_OK);
    ASSERT_EQ(first7->GetName(&name7), S_OK);
    ASSERT_EQ(first4->GetName(&name4), S_OK);
    EXPECT_NE(name7, name4);
}

struct DefaultProfile
{
    const char* label;
    GUID id;
    WMT_VERSION version;
    std::int32_t width;
};

class DefaultProfileById : public ::testing::TestWithParam<DefaultProfile>
{
};

// The default profiles load by their published identifiers, whatever the manager's version.
TEST_P(DefaultProfileById, LoadsWithAudioThenVideo)
{
    auto manager = Manager();
    ASSERT_EQ(manager->SetSystemProfileVersion(WMT_VER_4_0), S_OK);
    ComPtr<IWMProfile> profile;
    ASSERT_EQ(manager->LoadProfileByID(GetParam().id, &profile), S_OK);
    GUID id;
    WMT_VERSION version{};
    ASSERT_EQ(profile->GetProfileID(&id), S_OK);
    ASSERT_EQ(profile->GetVersion(&version), S_OK);
    EXPECT_EQ(id, GetParam().id);
    EXPECT_EQ(version, GetParam().version);
    EXPECT_EQ(StreamTypes(profile.Get()), (std::vector<GUID>{WMMEDIATYPE_Audio, WMMEDIATYPE_Video}));
    const auto described = DescribeProfile(profile.Get());
    ASSERT_TRUE(described);
    EXPECT_EQ(described->streams[1].width, GetParam().width);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, DefaultProfileById,
    ::testing::Values(DefaultProfile{"High", WMProfile_V70_1500Video, WMT_VER_7_0, 640},
                      DefaultProfile{"Medium", WMProfile_V80_700PALVideo, WMT_VER_8_0, 384},
                      DefaultProfile{"Low", WMProfile_V80_384Video, WMT_VER_8_0, 320},
                      DefaultProfile{"Internet", WMProfile_V80_100Video, WMT_VER_8_0, 320}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(WmProfileManager, UnknownIdentifierLoadsNothing)
{
    auto manager = Manager();
    ComPtr<IWMProfile> profile;
    EXPECT_TRUE(Failed(manager->LoadProfileByID(MakeGuid("00000000-1111-2222-3333-444444444444"), &profile)));
    EXPECT_FALSE(profile);
}

// Removing the audio streams from the highest number down, as a capture without sound does,
// leaves the video stream with its number; the next load is whole again.
TEST(WmProfile, RemovingAudioStreamsLeavesVideoAndTouchesNoOtherCopy)
{
    auto manager = Manager();
    ComPtr<IWMProfile> profile;
    ASSERT_EQ(manager->LoadProfileByID(WMProfile_V80_384Video, &profile), S_OK);
    std::uint32_t count = 0;
    ASSERT_EQ(profile->GetStreamCount(&count), S_OK);
    for (auto number = static_cast<std::uint16_t>(count); number >= 1; --number) {
        ComPtr<IWMStreamConfig> stream;
        GUID type;
        if (Failed(profile->GetStreamByNumber(number, &stream)) || Failed(stream->GetStreamType(&type)))
            continue;
        if (type == WMMEDIATYPE_Audio) {
            ASSERT_EQ(profile->RemoveStreamByNumber(number), S_OK);
        }
    }
    EXPECT_EQ(StreamTypes(profile.Get()), std::vector<GUID>{WMMEDIATYPE_Video});
    ComPtr<IWMStreamConfig> video;
    ASSERT_EQ(profile->GetStream(0, &video), S_OK);
    std::uint16_t number = 0;
    ASSERT_EQ(video->GetStreamNumber(&number), S_OK);
    EXPECT_EQ(number, 2);
    EXPECT_TRUE(Failed(profile->RemoveStreamByNumber(1)));

    ComPtr<IWMProfile> again;
    ASSERT_EQ(manager->LoadProfileByID(WMProfile_V80_384Video, &again), S_OK);
    EXPECT_EQ(StreamTypes(again.Get()), (std::vector<GUID>{WMMEDIATYPE_Audio, WMMEDIATYPE_Video}));
}

} // namespace
} // namespace camtrove::media
