#include "media/core/filter_graph.h"
#include "media/core/filter_moniker.h"
#include "media/core/installed_filters.h"
#include "media/core/system_device_enum.h"
#include "media/devices/test_camera.h"
#include "media/devices/test_crossbar.h"
#include "media/devices/test_device_source.h"
#include "media/devices/test_sound_card.h"
#include "platform/registry.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

const GUID CLSID_FakeV4l2 = MakeGuid("6A1C0004-0000-4000-8000-00CA37120001");
const GUID CLSID_Other = MakeGuid("6A1C0004-0000-4000-8000-00CA37120002");

// Plugged-in hardware as a device source reports it; the filter it makes is a test camera.
class FakeHardware final : public DeviceSource
{
public:
    std::vector<DeviceEntry> Devices(const GUID& category) const override
    {
        if (category != CLSID_VideoInputDeviceCategory)
            return {};
        std::vector<DeviceEntry> devices;
        for (const auto& path : paths)
            devices.push_back({"USB Webcam", CLSID_FakeV4l2, path,
                               [] { return ComPtr<IBaseFilter>(TestCamera::Create()); }});
        return devices;
    }
    std::vector<QString> paths;
};

std::vector<ComPtr<IMoniker>> Enumerate(ICreateDevEnum* devices, const GUID& category,
                                        HRESULT* result = nullptr)
{
    ComPtr<IEnumMoniker> enumerator;
    const HRESULT hr = devices->CreateClassEnumerator(category, &enumerator, 0);
    if (result)
        *result = hr;
    std::vector<ComPtr<IMoniker>> monikers;
    ComPtr<IMoniker> moniker;
    while (enumerator && enumerator->Next(&moniker) == S_OK)
        monikers.push_back(moniker);
    return monikers;
}

QString Property(IMoniker* moniker, const char* name)
{
    ComPtr<IPropertyBag> bag;
    QString value;
    if (Failed(moniker->BindToStorage(IID_IPropertyBag, bag.AsOut())) || Failed(bag->Read(name, &value)))
        return QStringLiteral("(none)");
    return value;
}

std::vector<QString> Names(const std::vector<ComPtr<IMoniker>>& monikers)
{
    std::vector<QString> names;
    for (const auto& m : monikers)
        names.push_back(FriendlyNameOf(m.Get()));
    return names;
}

TEST(DeviceEnumerator, BuiltInCategoriesListTheTestDevices)
{
    TestDeviceSettings settings;
    settings.camcorders = 2;
    auto devices = SystemDeviceEnum::Create(
        &FilterCatalogue::BuiltIn(),
        {std::make_shared<TestDeviceSource>(settings, [] { return TestCamcorderSettings{}; })});
    const auto video = Enumerate(devices.Get(), CLSID_VideoInputDeviceCategory);
    const auto audio = Enumerate(devices.Get(), CLSID_AudioInputDeviceCategory);
    const auto crossbars = Enumerate(devices.Get(), AM_KSCATEGORY_CROSSBAR);
    EXPECT_EQ(Names(video), (std::vector<QString>{"Camtrove Test Camcorder", "Camtrove Test Camcorder",
                                                  "Camtrove Test Camera"}))
        << "the test devices are listed once, as devices, not again as registered filters";
    EXPECT_EQ(video[0]->IsEqual(video[1].Get()), S_FALSE) << "two identical camcorders, two device paths";
    EXPECT_EQ(Property(video.back().Get(), "CLSID"), GuidToString(CLSID_TestCamera));
    EXPECT_EQ(Property(video.back().Get(), "DevicePath"), "camtrove-test:camera");
    EXPECT_EQ(Names(audio), (std::vector<QString>{"Camtrove Test Sound Card"}));
    ASSERT_FALSE(crossbars.empty());
    EXPECT_EQ(Names(crossbars).back(), "Camtrove Test Camera Crossbar");

    ComPtr<IBaseFilter> camera;
    ASSERT_EQ(video.back()->BindToObject(IID_IBaseFilter, camera.AsOut()), S_OK);
    GUID clsid;
    ASSERT_EQ(camera->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestCamera);
    ComPtr<IBaseFilter> second;
    ASSERT_EQ(video.back()->BindToObject(IID_IBaseFilter, second.AsOut()), S_OK);
    EXPECT_NE(camera.Get(), second.Get()) << "each binding makes its own instance";
}

TEST(DeviceEnumerator, TestDeviceSettingsRoundTripThroughTheStore)
{
    QTemporaryDir dir;
    platform::Registry registry(dir.path());
    EXPECT_EQ(LoadTestDeviceSettings(registry).camcorders, 1) << "one camcorder when nothing is stored";
    ASSERT_TRUE(SaveTestDeviceSettings(registry, {3, true}));
    platform::Registry again(dir.path());
    const TestDeviceSettings read = LoadTestDeviceSettings(again);
    EXPECT_EQ(read.camcorders, 3);
    EXPECT_TRUE(read.cameraFailsToAttach);
    ASSERT_TRUE(SaveTestDeviceSettings(registry, {1000, false}));
    platform::Registry clamped(dir.path());
    EXPECT_EQ(LoadTestDeviceSettings(clamped).camcorders, kMaxTestCamcorders);
}

TEST(DeviceEnumerator, RealDevicesComeFirstAndMonikersCompareByDevice)
{
    FilterCatalogue catalogue;
    catalogue.Register({CLSID_TestCamera,
                        "Camtrove Test Camera",
                        MERIT_DO_NOT_USE,
                        CLSID_VideoInputDeviceCategory,
                        {},
                        {},
                        [] { return ComPtr<IBaseFilter>(TestCamera::Create()); }});
    catalogue.Register(
        {CLSID_Other, "Some compressor", MERIT_NORMAL, CLSID_VideoCompressorCategory, {}, {}, {}});
    auto hardware = std::make_shared<FakeHardware>();
    hardware->paths = {"/dev/video0", "/dev/video2"};
    auto devices = SystemDeviceEnum::Create(&catalogue, {hardware});

    const auto first = Enumerate(devices.Get(), CLSID_VideoInputDeviceCategory);
    EXPECT_EQ(Names(first), (std::vector<QString>{"USB Webcam", "USB Webcam", "Camtrove Test Camera"}));
    EXPECT_EQ(Property(first[1].Get(), "DevicePath"), "/dev/video2");
    EXPECT_EQ(Property(first[0].Get(), "CLSID"), GuidToString(CLSID_FakeV4l2));
    EXPECT_EQ(Property(first[0].Get(), "Nonsense"), "(none)");

    // Two identical cameras are told apart by their device path, across enumerations too.
    hardware->paths = {"/dev/video2"};
    const auto again = Enumerate(devices.Get(), CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0]->IsEqual(first[1].Get()), S_OK);
    EXPECT_EQ(again[0]->IsEqual(first[0].Get()), S_FALSE);
    EXPECT_EQ(again[1]->IsEqual(first[2].Get()), S_OK);
    EXPECT_EQ(again[1]->IsEqual(first[1].Get()), S_FALSE);

    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(again[0]->BindToObject(IID_IBaseFilter, filter.AsOut()), S_OK);
    ComPtr<IAMVideoProcAmp> procAmp;
    EXPECT_EQ(again[0]->BindToObject(IID_IAMVideoProcAmp, procAmp.AsOut()), S_OK);

    const auto compressors = Enumerate(devices.Get(), CLSID_VideoCompressorCategory);
    ASSERT_EQ(compressors.size(), 1u);
    EXPECT_EQ(compressors[0]->BindToObject(IID_IBaseFilter, filter.AsOut()), REGDB_E_CLASSNOTREG)
        << "a registration without a factory cannot be bound";

    HRESULT result = E_FAIL;
    EXPECT_TRUE(Enumerate(devices.Get(), CLSID_AudioCompressorCategory, &result).empty());
    EXPECT_EQ(result, S_FALSE);
    ComPtr<IEnumMoniker> empty;
    EXPECT_EQ(devices->CreateClassEnumerator(CLSID_AudioCompressorCategory, &empty, 0), S_FALSE);
    EXPECT_TRUE(empty) << "an empty category still gives an enumerator";
}

TEST(FilterMapper, MatchesOneInputAndOneOutputTypeHighestMeritFirst)
{
    const GUID kMp3 = MakeGuid("00000055-0000-0010-8000-00AA00389B71");
    FilterCatalogue catalogue;
    const auto add = [&](const char* name, std::uint32_t merit, std::vector<REGPINTYPES> in,
                         std::vector<REGPINTYPES> out) {
        static int next = 0x100;
        GUID clsid = CLSID_Other;
        clsid.Data1 = static_cast<std::uint32_t>(++next);
        catalogue.Register(
            {clsid, name, merit, CLSID_LegacyAmFilterCategory, std::move(in), std::move(out), {}});
    };
    add("pcm to mp3", MERIT_NORMAL, {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}}, {{MEDIATYPE_Audio, kMp3}});
    add("pcm to mpeg audio", MERIT_DO_NOT_USE, {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}},
        {{MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload}});
    add("any audio to mpeg audio", MERIT_PREFERRED, {{MEDIATYPE_Audio, GUID_NULL}},
        {{MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload}});
    add("yuy2 to rgb", MERIT_NORMAL, {{MEDIATYPE_Video, MEDIASUBTYPE_YUY2}},
        {{MEDIATYPE_Video, MEDIASUBTYPE_RGB24}});
    add("wildcard in", MERIT_UNLIKELY, {{GUID_NULL, GUID_NULL}}, {{MEDIATYPE_Video, MEDIASUBTYPE_RGB24}});
    auto mapper = FilterMapper::Create(&catalogue);

    struct Case
    {
        const char* what;
        bool exact;
        std::uint32_t merit;
        bool inputNeeded;
        REGPINTYPES in;
        bool outputNeeded;
        REGPINTYPES out;
        std::vector<QString> expected;
    };
    const Case cases[] = {
        {"any audio in, MPEG audio out, any merit, by merit",
         true,
         0,
         true,
         {MEDIATYPE_Audio, GUID_NULL},
         true,
         {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload},
         {"any audio to mpeg audio", "pcm to mpeg audio"}},
        {"a merit floor",
         true,
         MERIT_NORMAL,
         true,
         {MEDIATYPE_Audio, GUID_NULL},
         true,
         {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload},
         {"any audio to mpeg audio"}},
        {"YUY2 to video, exact: registered wildcards do not match",
         true,
         0,
         true,
         {MEDIATYPE_Video, MEDIASUBTYPE_YUY2},
         true,
         {MEDIATYPE_Video, GUID_NULL},
         {"yuy2 to rgb"}},
        {"YUY2 to video, inexact: registered wildcards match",
         false,
         0,
         true,
         {MEDIATYPE_Video, MEDIASUBTYPE_YUY2},
         true,
         {MEDIATYPE_Video, GUID_NULL},
         {"yuy2 to rgb", "wildcard in"}},
        {"outputs only", true, 0, false, {}, true, {MEDIATYPE_Audio, kMp3}, {"pcm to mp3"}},
        {"nothing takes text", true, 0, true, {MEDIATYPE_Text, GUID_NULL}, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ComPtr<IEnumMoniker> found;
        ASSERT_EQ(
            mapper->EnumMatchingFilters(&found, c.exact, c.merit, c.inputNeeded, c.in, c.outputNeeded, c.out),
            S_OK);
        std::vector<QString> names;
        ComPtr<IMoniker> moniker;
        while (found->Next(&moniker) == S_OK)
            names.push_back(FriendlyNameOf(moniker.Get()));
        EXPECT_EQ(names, c.expected);
    }
}

TEST(InstalledFilters, ARegisteredLibraryIsListedAndBound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const GUID kLibraryFilter = MakeGuid("6A1C0003-0000-4000-8000-00CA37120001");
    const GUID kMissing = MakeGuid("6A1C0003-0000-4000-8000-00CA37120002");
    {
        platform::Registry registry(dir.path(), platform::HKEY_CLASSES_ROOT);
        ASSERT_TRUE(WriteInstalledFilter(registry,
                                         {kLibraryFilter,
                                          "Library Encoder",
                                          MERIT_NORMAL,
                                          CLSID_AudioCompressorCategory,
                                          {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}},
                                          {{MEDIATYPE_Audio, GUID_NULL}},
                                          {}},
                                         CAMTROVE_TEST_FILTER_LIBRARY));
        ASSERT_TRUE(WriteInstalledFilter(
            registry, {kMissing, "Gone Encoder", MERIT_NORMAL, CLSID_AudioCompressorCategory, {}, {}, {}},
            dir.filePath("missing.so")));
    }
    // A later run reads what was installed.
    platform::Registry registry(dir.path(), platform::HKEY_CLASSES_ROOT);
    ASSERT_TRUE(registry.OpenKeyReadOnly(QStringLiteral("\\CLSID\\") + GuidToString(kLibraryFilter) +
                                         QStringLiteral("\\InprocServer32")));
    EXPECT_EQ(registry.ReadString(QString()), QString(CAMTROVE_TEST_FILTER_LIBRARY));
    registry.CloseKey();

    FilterCatalogue catalogue;
    EXPECT_EQ(AddInstalledFilters(catalogue, registry), 2);
    const auto installed = catalogue.Find(kLibraryFilter);
    ASSERT_TRUE(installed);
    EXPECT_EQ(installed->name, "Library Encoder");
    EXPECT_EQ(installed->merit, MERIT_NORMAL);
    ASSERT_EQ(installed->inputTypes.size(), 1u);
    EXPECT_EQ(installed->inputTypes[0].clsMinorType, MEDIASUBTYPE_PCM);

    auto devices = SystemDeviceEnum::Create(&catalogue);
    const auto compressors = Enumerate(devices.Get(), CLSID_AudioCompressorCategory);
    ASSERT_EQ(compressors.size(), 2u);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(compressors[0]->BindToObject(IID_IBaseFilter, filter.AsOut()), S_OK);
    GUID clsid;
    ASSERT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, kLibraryFilter);
    auto graph = FilterGraph::Create(&catalogue);
    EXPECT_EQ(graph->AddFilter(filter.Get(), "encoder"), S_OK);
    EXPECT_EQ(graph->RemoveFilter(filter.Get()), S_OK);
    EXPECT_TRUE(Failed(compressors[1]->BindToObject(IID_IBaseFilter, filter.AsOut())))
        << "a library that is gone binds to nothing";

    // Installing twice adds nothing; uninstalling removes both keys.
    EXPECT_EQ(AddInstalledFilters(catalogue, registry), 0);
    EXPECT_TRUE(RemoveInstalledFilter(registry, kLibraryFilter));
    EXPECT_EQ(ReadInstalledFilters(registry).size(), 1u);
    EXPECT_FALSE(registry.KeyExists(QStringLiteral("\\CLSID\\") + GuidToString(kLibraryFilter)));
    EXPECT_FALSE(RemoveInstalledFilter(registry, kLibraryFilter));
}

} // namespace
} // namespace camtrove::media
