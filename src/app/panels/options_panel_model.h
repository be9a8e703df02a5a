#pragma once
// The Settings panel without widgets: its controls bound to the catalogue's parameters (load,
// change, save), the discovery of the optional encoders (DivX or Xvid compressors, the LAME MP3
// encoder and its bitrate), the Windows Media profile list of the chosen version, and which
// controls are visible as a result. It is the application's encoder inventory: the format list
// offers "divx" and "mp3" from its answers. UI thread only.

#include "app/panels/encoder_discovery.h"
#include "app/panels/options_controls.h"
#include "app/panels/options_panel_host.h"
#include "app/panels/source_list_data.h"
#include "media/codecs/wm_profile.h"

#include <cstdint>

namespace camtrove::graph {
class Tdm;
}
namespace camtrove::platform {
class Registry;
}
namespace camtrove::settings {
class PreferenceCatalogue;
}

namespace camtrove::app {

// The MP3 bitrates offered, in kbit/s.
[[nodiscard]] const QStringList& Mp3BitrateItems();
// Item k of the version group asks for these system profiles; WMT_VER_8_0 outside 0 to 2.
[[nodiscard]] media::WMT_VERSION WmvVersionOfItem(int item);
// One row per system profile of the version, in index order: the profile's name, taken at its
// first video stream; a profile without video repeats the row before it (empty when first).
[[nodiscard]] QStringList SystemProfileRows(media::IWMProfileManager2* manager, media::WMT_VERSION version);

// The profile a Windows Media capture records with. With "Use the default profiles" checked (or
// no row chosen) it is the default profile of the choice group, loaded by identifier; otherwise
// the system profile of the chosen row, which is the profile of the same index.
struct TWmvProfileChoice
{
    bool UseDefault = true;
    int DefaultProfile = 0; // 0 High, 1 Medium, 2 Low, 3 Internet
    media::WMT_VERSION Version = media::WMT_VER_8_0;
    int SystemProfile = -1;
};

class OptionsPanelModel final : public EncoderInventory
{
public:
    // profiles may be null when the profile manager could not be created: the list stays empty.
    OptionsPanelModel(graph::Tdm& dm, settings::PreferenceCatalogue& prefs, platform::Registry& registry,
                      OptionsPanelHost& host, media::ComPtr<media::IWMProfileManager2> profiles);

    // Fills the controls from the parameters, then runs the click handlers of "Default Profile"
    // and "Activer Superposition" so that what depends on them follows.
    void Load();
    // Codec discovery, MP3 detection and the stored bitrate. Run once after the preferences load.
    void Populate();
    // The start-up's profile list: the version from "Version wmv", then the entry equal to
    // "Preferred  wmv profile", else the first.
    void RestoreProfileList();
    // Copies every control into its parameter (the store choice included); the caller then
    // writes the parameters to the store.
    void Save();

    [[nodiscard]] bool DivxEncoderFound() const override { return m_divxFound; }
    [[nodiscard]] bool Mp3EncoderFound() const override { return m_mp3Found; }

    // Change handlers, one per control that acts at once.
    void OnConfirmerVideoClick(bool checked);
    void OnConfirmerImageClick(bool checked);
    void OnNotifierClick(bool checked);
    void OnActiverSuperpositionClick(bool checked);
    void OnStoreModeClick(int item);
    void OnMpeg2RatioNormalClick(bool checked);
    void OnDefaultProfileClick(bool checked);
    void OnProfileChoiceClick(int item);
    void OnVersionClick(int item);
    void OnProfileListChange(int index);
    // A menu item of the window's profile menu: its tag is a list position.
    void SelectProfileByMenuTag(int tag);
    void OnDivxCodecChange(int index);
    void OnRatioDivxClick(int item);
    void OnDemiTailleClick(bool checked);
    void OnMp3Click(bool checked);
    // Writes the encoder's "Bitrate"; when it cannot, the combo shows "128".
    void OnBitrateChange(const QString& text);
    void OnExtensionClick(int item);
    void OnJpegQualityChange(int position);
    void OnDeInterlacerClick(bool checked);
    void OnStandardClick(int item);
    void OnFrequenceDvClick(int item);
    void OnFrequenceDvNativeClick(bool checked);
    void OnGarderFormatDvClick(bool checked);
    void OnDvDemiSiDivxClick(bool checked);
    void OnScnClick(bool checked);
    void OnNoDatecodeEdit(const QString& text);
    void OnDvRatioClick(int item);

    [[nodiscard]] TWmvProfileChoice WmvProfileChoice() const;
    // Whether the MP3 encoder has property pages for "Advanced".
    [[nodiscard]] bool Mp3HasPropertyPages() const;
    // The profile manager the list was filled from; the Windows Media chain loads from it too.
    [[nodiscard]] media::IWMProfileManager2* ProfileManager() const { return m_profiles.Get(); }

    // Pref
    TCheckControl cbConfirmerVideo;
    TCheckControl cbConfirmerImage;
    TCheckControl cbNotifier;
    TCheckControl cbActiverSuperposition;
    TRadioControl rgPrefs;
    TCheckControl cbMpeg2ratioNormal;
    // Wmv
    TCheckControl cbDefaultProfile;
    TRadioControl rgProfiles;
    bool rgProfilesVisible = true;
    bool gbProfilesVisible = false;
    TRadioControl rgversion;
    TSourceListData cboxMedia;
    // DivX
    bool DivxPageVisible = false;
    TSourceListData cboxdivx;
    TRadioControl rgRatioDivX;
    TCheckControl cbDemiTaille;
    TCheckControl cbMp3;
    bool cboxBitratemp3Visible = false;
    bool sbPropMp3Visible = false;
    bool gbMp3Visible = false;
    bool MemoMp3Visible = true;
    TSourceListData cboxBitratemp3;
    // Pictures
    TRadioControl rgExtension;
    bool gbQualityVisible = false;
    int TrackBar1 = 50;
    QString labQuality;
    TCheckControl cbDeInterlacer;
    // DV
    TRadioControl rgStandard;
    TRadioControl rgFrequenceDV;
    TCheckControl cbfrequenceDVNative;
    TCheckControl cbGarderFormatDV;
    TCheckControl cbDVDemiSiDivX;
    TCheckControl cbScn;
    QString leNoDatecode;
    TRadioControl rgDVRatio;

private:
    void DiscoverCodecs();
    void DetectMp3();
    void BindDivxCompressor(const QString& name);
    void FillProfileList();
    void ShowMp3Controls();
    void ShowQuality();

    graph::Tdm& m_dm;
    settings::PreferenceCatalogue& m_prefs;
    platform::Registry& m_registry;
    OptionsPanelHost& m_host;
    media::ComPtr<media::IWMProfileManager2> m_profiles;
    bool m_divxFound = false;
    bool m_mp3Found = false;
};

} // namespace camtrove::app
