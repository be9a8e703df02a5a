// The Settings panel's model over the real graph module, the registry store in a temporary folder
// and the preferences stored beside a temporary program.

#include "app/panels/options_panel_model.h"
#include "graph/tdm.h"
#include "media/codecs/lame_settings.h"
#include "media/codecs/wm_profile_catalogue.h"
#include "media/codecs/wm_profile_manager.h"
#include "media/core/filter_moniker.h"
#include "media/core/guids.h"
#include "platform/registry.h"
#include "settings/catalogue.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace camtrove::app {
namespace {

using namespace camtrove::media;

class RecordingOptionsHost final : public OptionsPanelHost
{
public:
    void NotifierChanged(bool notify) override { notifier = notify; }
    void SuperpositionAllowed(bool allowed) override { superposition = allowed; }
    void SnapshotExtensionChanged() override { ++extensionChanges; }
    void SetStoreMode(settings::TSavePreferences mode) override { storeMode = mode; }

    std::optional<bool> notifier;
    std::optional<bool> superposition;
    int extensionChanges = 0;
    std::optional<settings::TSavePreferences> storeMode;
};

// The built-in catalogue with its video compressors replaced by real ones under the given names,
// and the LAME encoder kept or taken out.
std::unique_ptr<FilterCatalogue> CatalogueWith(const QStringList& compressorNames, bool lame)
{
    auto catalogue = std::make_unique<FilterCatalogue>();
    std::optional<FilterRegistration> dvEncoder;
    for (const FilterRegistration& r : FilterCatalogue::BuiltIn().Registrations()) {
        if (r.clsid == CLSID_DVVideoEnc)
            dvEncoder = r;
        if (r.category == CLSID_VideoCompressorCategory || (!lame && r.clsid == CLSID_LameMp3Encoder))
            continue;
        catalogue->Register(r);
    }
    for (qsizetype i = 0; i < compressorNames.size(); ++i) {
        FilterRegistration r = *dvEncoder;
        r.clsid.Data1 = 0x7e570000u + static_cast<std::uint32_t>(i);
        r.name = compressorNames[i];
        catalogue->Register(r);
    }
    return catalogue;
}

class OptionsTest : public ::testing::Test
{
protected:
    OptionsTest()
    {
        QDir().mkpath(m_dir.path() + QStringLiteral("/bin"));
        EXPECT_TRUE(prefs.Build());
        EXPECT_EQ(WMCreateProfileManager(&manager), S_OK);
    }
    ~OptionsTest() override { model.reset(); }

    // The model over a graph module whose catalogue is the built-in one unless a test gives one.
    void Make(const FilterCatalogue* catalogue = &FilterCatalogue::BuiltIn())
    {
        dm = std::make_unique<graph::Tdm>(DeviceSources{}, catalogue);
        model = std::make_unique<OptionsPanelModel>(*dm, prefs, registry, host,
                                                    QueryAs<IWMProfileManager2>(manager.Get()));
        model->Load();
        model->Populate();
        model->RestoreProfileList();
    }
    // Read from the store's files by a registry object of its own.
    [[nodiscard]] std::optional<std::int32_t> StoredBitrate() const
    {
        platform::Registry fresh(registryFolder(), platform::HKEY_CURRENT_USER);
        if (!fresh.OpenKeyReadOnly(LameSettingsKey()))
            return std::nullopt;
        return fresh.ReadInteger(QStringLiteral("Bitrate"));
    }
    [[nodiscard]] QString registryFolder() const { return m_dir.path() + QStringLiteral("/config"); }

    QTemporaryDir m_dir;
    settings::PreferenceCatalogue prefs{settings::TStoreLocation{
        m_dir.path() + QStringLiteral("/bin/"), m_dir.path() + QStringLiteral("/bin/camtrove"),
        m_dir.path() + QStringLiteral("/config")}};
    platform::Registry registry{m_dir.path() + QStringLiteral("/config")};
    ComPtr<IWMProfileManager> manager;
    RecordingOptionsHost host;
    std::unique_ptr<FilterCatalogue> catalogue;
    std::unique_ptr<graph::Tdm> dm;
    std::unique_ptr<OptionsPanelModel> model;
};

TEST_F(OptionsTest, TheDivxListKeepsDivxAndXvidCompressorsAndBindsTheChosenOne)
{
    catalogue = CatalogueWith({"DivX Pro 6", "Cinepak Codec", "XviD MPEG-4"}, true);
    Make(catalogue.get());
    EXPECT_TRUE(model->DivxEncoderFound());
    EXPECT_TRUE(model->DivxPageVisible);
    EXPECT_EQ(model->cboxdivx.Items, QStringList({"DivX Pro 6", "XviD MPEG-4"}));
    EXPECT_EQ(model->cboxdivx.ItemIndex, 1); // no favourite: the Xvid codec
    EXPECT_EQ(model->cboxdivx.Text, "XviD MPEG-4");
    EXPECT_EQ(FriendlyNameOf(dm->divx.Moniker()), "XviD MPEG-4");

    model->OnDivxCodecChange(0);
    EXPECT_EQ(FriendlyNameOf(dm->divx.Moniker()), "DivX Pro 6");
    EXPECT_EQ(prefs.DivxFavori->value, "DivX Pro 6");

    // The favourite is chosen at the next start; a favourite that is gone falls back to Xvid.
    Make(catalogue.get());
    EXPECT_EQ(model->cboxdivx.Text, "DivX Pro 6");
    prefs.DivxFavori->value = QStringLiteral("DivX Gone");
    Make(catalogue.get());
    EXPECT_EQ(model->cboxdivx.Text, "XviD MPEG-4");
}

TEST_F(OptionsTest, WithoutDivxOrXvidThePageIsHiddenAndTheFavouriteIsKept)
{
    catalogue = CatalogueWith({"Cinepak Codec"}, true);
    prefs.DivxFavori->value = QStringLiteral("DivX Pro 6");
    Make(catalogue.get());
    EXPECT_FALSE(model->DivxEncoderFound());
    EXPECT_FALSE(model->DivxPageVisible);
    EXPECT_TRUE(model->cboxdivx.Items.isEmpty());
    EXPECT_FALSE(dm->divx.Moniker());
    model->Save();
    EXPECT_EQ(prefs.DivxFavori->value, "DivX Pro 6");
}

TEST_F(OptionsTest, TheMp3ControlsFollowTheEncodersAndWantMp3)
{
    struct Case
    {
        const char* label;
        bool lame;
        QStringList compressors;
        bool wantMp3;
        bool cbMp3, gbMp3, memo;
    };
    const std::vector<Case> cases{
        {"both encoders, Want Mp3", true, {"Xvid"}, true, true, true, false},
        {"both encoders, no Want Mp3", true, {"Xvid"}, false, true, false, false},
        {"MP3 without DivX", true, {}, true, false, true, false},
        {"no MP3", false, {"Xvid"}, true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        prefs.WantMp3->value = c.wantMp3;
        catalogue = CatalogueWith(c.compressors, c.lame);
        Make(catalogue.get());
        EXPECT_EQ(model->Mp3EncoderFound(), c.lame);
        EXPECT_EQ(model->cbMp3.Checked, c.wantMp3);
        EXPECT_EQ(model->cbMp3.Visible, c.cbMp3);
        EXPECT_EQ(model->cboxBitratemp3Visible, c.cbMp3);
        EXPECT_EQ(model->sbPropMp3Visible, c.cbMp3);
        EXPECT_EQ(model->gbMp3Visible, c.gbMp3);
        EXPECT_EQ(model->MemoMp3Visible, c.memo);
        EXPECT_EQ(static_cast<bool>(dm->mp3.Moniker()), c.lame);
    }
    model->OnMp3Click(true);
    EXPECT_FALSE(model->gbMp3Visible); // still no encoder
    EXPECT_TRUE(prefs.WantMp3->value);

    catalogue = CatalogueWith({"Xvid"}, true);
    prefs.WantMp3->value = false;
    Make(catalogue.get());
    model->OnMp3Click(true);
    EXPECT_TRUE(model->gbMp3Visible);
    EXPECT_TRUE(prefs.WantMp3->value);
}

TEST_F(OptionsTest, TheBitrateIsReadFromAndWrittenToTheEncodersKey)
{
    ASSERT_TRUE(WriteLameBitrate(registry, 192));
    Make();
    ASSERT_TRUE(model->Mp3EncoderFound());
    EXPECT_EQ(model->cboxBitratemp3.Text, "192");

    model->OnBitrateChange(QStringLiteral("96"));
    EXPECT_EQ(model->cboxBitratemp3.Text, "96");
    EXPECT_EQ(StoredBitrate(), 96);
    EXPECT_EQ(ReadLameBitrate(registry), 96u); // what the encoder will use

    // A typed bitrate outside the list is the encoder's business: it takes the nearest it can.
    model->OnBitrateChange(QStringLiteral("100"));
    EXPECT_EQ(model->cboxBitratemp3.Text, "100");
    EXPECT_EQ(StoredBitrate(), 100);

    model->OnBitrateChange(QStringLiteral("fast"));
    EXPECT_EQ(model->cboxBitratemp3.Text, "128");
    EXPECT_EQ(StoredBitrate(), 100);
}

TEST_F(OptionsTest, ABitrateOutsideTheListOrAMissingKeyLeaves128)
{
    ASSERT_TRUE(WriteLameBitrate(registry, 100));
    Make();
    EXPECT_EQ(model->cboxBitratemp3.Text, "128");

    platform::Registry cleaner(registryFolder(), platform::HKEY_CURRENT_USER);
    ASSERT_TRUE(cleaner.DeleteKey(LameSettingsKey()));
    Make();
    model->OnBitrateChange(QStringLiteral("64"));
    EXPECT_EQ(model->cboxBitratemp3.Text, "128");
    // The encoder's key is its own: the panel does not create it.
    EXPECT_FALSE(StoredBitrate());
}

TEST_F(OptionsTest, TheProfileListHoldsOneRowPerSystemProfileOfTheChosenVersion)
{
    prefs.VersionWmv->value = 2;
    Make();
    for (int item : {0, 1, 2}) {
        SCOPED_TRACE(item);
        model->OnVersionClick(item);
        const auto profiles = SystemProfiles(WmvVersionOfItem(item));
        ASSERT_FALSE(profiles.empty());
        ASSERT_EQ(model->cboxMedia.Items.size(), static_cast<qsizetype>(profiles.size()));
        QString previous;
        for (std::size_t k = 0; k < profiles.size(); ++k) {
            const bool hasVideo = std::any_of(profiles[k].streams.begin(), profiles[k].streams.end(),
                                              [](const WmStreamDescription& s) { return s.IsVideo(); });
            // A profile without video has no name of its own: its row repeats the one before.
            const QString expected = hasVideo ? profiles[k].name : previous;
            EXPECT_EQ(model->cboxMedia.Items[static_cast<qsizetype>(k)], expected) << k;
            previous = expected;
        }
        EXPECT_EQ(model->cboxMedia.ItemIndex, 0);
        EXPECT_EQ(model->cboxMedia.Text, model->cboxMedia.Items.front());
    }
    EXPECT_EQ(WmvVersionOfItem(0), WMT_VER_4_0);
    EXPECT_EQ(WmvVersionOfItem(1), WMT_VER_7_0);
    EXPECT_EQ(WmvVersionOfItem(2), WMT_VER_8_0);
}

TEST_F(OptionsTest, TheStartUpSelectsThePreferredProfileElseTheFirst)
{
    const auto version7 = SystemProfiles(WMT_VER_7_0);
    ASSERT_GE(version7.size(), 3u);
    prefs.VersionWmv->value = 1;
    prefs.PreferredWmvProfile->value = version7[2].name;
    Make();
    EXPECT_EQ(model->rgversion.ItemIndex, 1);
    EXPECT_EQ(model->cboxMedia.ItemIndex, 2);
    EXPECT_EQ(model->cboxMedia.Text, version7[2].name);

    prefs.PreferredWmvProfile->value = QStringLiteral("A profile of another machine");
    Make();
    EXPECT_EQ(model->cboxMedia.ItemIndex, 0);

    // The profile menu's items carry list positions.
    model->SelectProfileByMenuTag(1);
    EXPECT_EQ(model->cboxMedia.Text, model->cboxMedia.Items[1]);
}

TEST_F(OptionsTest, WithoutAProfileManagerTheListStaysEmpty)
{
    dm = std::make_unique<graph::Tdm>(DeviceSources{});
    model = std::make_unique<OptionsPanelModel>(*dm, prefs, registry, host, nullptr);
    model->Load();
    model->RestoreProfileList();
    EXPECT_TRUE(model->cboxMedia.Items.isEmpty());
    EXPECT_EQ(model->cboxMedia.ItemIndex, -1);
}

TEST_F(OptionsTest, TheDefaultProfileBoxChoosesBetweenTheDefaultAndTheListedProfiles)
{
    prefs.ProfileWmv->value = 2;
    Make();
    EXPECT_TRUE(model->cbDefaultProfile.Checked);
    EXPECT_TRUE(model->rgProfilesVisible);
    EXPECT_FALSE(model->gbProfilesVisible);
    TWmvProfileChoice choice = model->WmvProfileChoice();
    EXPECT_TRUE(choice.UseDefault);
    EXPECT_EQ(choice.DefaultProfile, 2);

    model->OnDefaultProfileClick(false);
    EXPECT_FALSE(prefs.DefaultProfile->value);
    EXPECT_FALSE(model->rgProfilesVisible);
    EXPECT_TRUE(model->gbProfilesVisible);
    model->OnVersionClick(1);
    model->OnProfileListChange(3);
    choice = model->WmvProfileChoice();
    EXPECT_FALSE(choice.UseDefault);
    EXPECT_EQ(choice.Version, WMT_VER_7_0);
    EXPECT_EQ(choice.SystemProfile, 3); // row k is system profile k
}

TEST_F(OptionsTest, TheFrequencyGroupStoresCodesOneToThree)
{
    prefs.FrequenceDV->value = 2;
    Make();
    EXPECT_EQ(model->rgFrequenceDV.ItemIndex, 1);
    model->OnFrequenceDvClick(2);
    EXPECT_EQ(prefs.FrequenceDV->value, 3);

    prefs.FrequenceDV->value = 7; // acts as 44100 Hz; selects nothing and is kept
    Make();
    EXPECT_EQ(model->rgFrequenceDV.ItemIndex, -1);
    model->Save();
    EXPECT_EQ(prefs.FrequenceDV->value, 7);
}

TEST_F(OptionsTest, ChangesActAtOnceOnTheParametersAndTheWindow)
{
    Make();
    EXPECT_EQ(host.superposition, true); // the load runs the click handler
    model->OnNotifierClick(false);
    EXPECT_FALSE(prefs.Notifier->value);
    EXPECT_EQ(host.notifier, false);
    model->OnActiverSuperpositionClick(false);
    EXPECT_EQ(host.superposition, false);
    model->OnExtensionClick(1);
    EXPECT_EQ(prefs.ExtensionDesImages->value, 1);
    EXPECT_TRUE(model->gbQualityVisible);
    EXPECT_EQ(host.extensionChanges, 1);
    model->OnExtensionClick(0);
    EXPECT_FALSE(model->gbQualityVisible);
    model->OnStoreModeClick(1);
    EXPECT_EQ(host.storeMode, settings::spPortable);
    model->OnNoDatecodeEdit(QStringLiteral("--:--"));
    EXPECT_EQ(prefs.NoDatecode->value, "--:--");
    model->OnJpegQualityChange(140);
    EXPECT_EQ(model->TrackBar1, 100);
    EXPECT_EQ(model->labQuality, "100");
    // Changes that wait for the save.
    model->OnDemiTailleClick(false);
    EXPECT_TRUE(prefs.DemiTaille->value);
    EXPECT_EQ(prefs.JpegQuality->value, 50);
}

TEST_F(OptionsTest, SavedControlsComeBackFromTheStore)
{
    Make();
    model->OnConfirmerVideoClick(false);
    model->OnConfirmerImageClick(false);
    model->OnMpeg2RatioNormalClick(false);
    model->OnDefaultProfileClick(false);
    model->OnProfileChoiceClick(3);
    model->OnVersionClick(0);
    model->OnProfileListChange(1);
    model->OnRatioDivxClick(2);
    model->OnDemiTailleClick(false);
    model->OnExtensionClick(1);
    model->OnJpegQualityChange(85);
    model->OnDeInterlacerClick(false);
    model->OnStandardClick(1);
    model->OnFrequenceDvClick(0);
    model->OnFrequenceDvNativeClick(false);
    model->OnGarderFormatDvClick(true);
    model->OnDvDemiSiDivxClick(false);
    model->OnScnClick(true);
    model->OnNoDatecodeEdit(QStringLiteral("no date"));
    model->OnDvRatioClick(1);
    model->rgPrefs.Select(settings::spRegistre);
    const QString profile = model->cboxMedia.Text;
    model->Save();
    ASSERT_TRUE(prefs.List().SaveAll());

    settings::PreferenceCatalogue reread{prefs.List().Location()};
    ASSERT_TRUE(reread.Build());
    EXPECT_EQ(reread.List().storeMode, settings::spRegistre);
    EXPECT_FALSE(reread.ConfirmerVideo->value);
    EXPECT_FALSE(reread.ConfirmerImage->value);
    EXPECT_FALSE(reread.Mpeg2RatioNormal->value);
    EXPECT_FALSE(reread.DefaultProfile->value);
    EXPECT_EQ(reread.ProfileWmv->value, 3);
    EXPECT_EQ(reread.VersionWmv->value, 0);
    EXPECT_EQ(reread.PreferredWmvProfile->value, profile);
    EXPECT_EQ(reread.ProfilWindowsMedia->value, profile);
    EXPECT_EQ(reread.RatioDivX->value, 2);
    EXPECT_FALSE(reread.DemiTaille->value);
    EXPECT_EQ(reread.ExtensionDesImages->value, 1);
    EXPECT_EQ(reread.JpegQuality->value, 85);
    EXPECT_FALSE(reread.InternalDeinterlacer->value);
    EXPECT_EQ(reread.StandardDV->value, 1);
    EXPECT_EQ(reread.FrequenceDV->value, 1);
    EXPECT_FALSE(reread.FrequenceDVNative->value);
    EXPECT_TRUE(reread.GarderFormatDV->value);
    EXPECT_FALSE(reread.DVDemiSiDivX->value);
    EXPECT_TRUE(reread.Scn->value);
    EXPECT_EQ(reread.NoDatecode->value, "no date");
    EXPECT_EQ(reread.RatioDV->value, 1);

    // Loaded into a new panel, the controls show what was saved.
    OptionsPanelModel again(*dm, reread, registry, host, QueryAs<IWMProfileManager2>(manager.Get()));
    again.Load();
    again.RestoreProfileList();
    EXPECT_EQ(again.rgversion.ItemIndex, 0);
    EXPECT_EQ(again.cboxMedia.Text, profile);
    EXPECT_EQ(again.rgProfiles.ItemIndex, 3);
    EXPECT_TRUE(again.gbProfilesVisible);
    EXPECT_EQ(again.TrackBar1, 85);
    EXPECT_TRUE(again.gbQualityVisible);
    EXPECT_EQ(again.rgFrequenceDV.ItemIndex, 0);
    EXPECT_EQ(again.rgStandard.ItemIndex, 1);
    EXPECT_EQ(again.leNoDatecode, "no date");
    EXPECT_EQ(again.rgPrefs.ItemIndex, settings::spRegistre);
}

} // namespace
} // namespace camtrove::app
