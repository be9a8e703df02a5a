#include "app/panels/options_panel_model.h"

#include "graph/tdm.h"
#include "media/codecs/lame_settings.h"
#include "media/core/device_interfaces.h"
#include "platform/registry.h"
#include "settings/catalogue.h"

#include <algorithm>

namespace camtrove::app {

using namespace camtrove::media;
using settings::TSavePreferences;

namespace {

const QString kBitrateValue = QStringLiteral("Bitrate");
const QString kFallbackBitrate = QStringLiteral("128");

// Works under HKEY_CURRENT_USER and gives the caller's root back whatever happens.
class CurrentUserScope
{
public:
    explicit CurrentUserScope(platform::Registry& registry)
        : m_registry(registry), m_previous(registry.RootKey())
    {
        m_registry.SetRootKey(platform::HKEY_CURRENT_USER);
    }
    ~CurrentUserScope() { m_registry.SetRootKey(m_previous); }
    CurrentUserScope(const CurrentUserScope&) = delete;
    CurrentUserScope& operator=(const CurrentUserScope&) = delete;

private:
    platform::Registry& m_registry;
    platform::RegRoot m_previous;
};

// A component joined to the graph for a question and put back as it was: out of every graph when
// it was in none.
class JoinedForQuestion
{
public:
    JoinedForQuestion(graph::TFilterComponent& component, IFilterGraph* graph)
        : m_component(component), m_wasJoined(component.Joined())
    {
        if (!m_wasJoined && component.Moniker())
            m_joined = Succeeded(component.Join(graph));
    }
    ~JoinedForQuestion()
    {
        if (m_joined)
            m_component.Leave();
    }
    JoinedForQuestion(const JoinedForQuestion&) = delete;
    JoinedForQuestion& operator=(const JoinedForQuestion&) = delete;

private:
    graph::TFilterComponent& m_component;
    bool m_wasJoined;
    bool m_joined = false;
};

// A radio group's selection as a stored ordinal; the parameter keeps its value when none is chosen.
template <typename Parameter> void StoreItem(const TRadioControl& group, Parameter& parameter)
{
    if (group.ItemIndex >= 0)
        parameter.value = static_cast<decltype(parameter.value)>(group.ItemIndex);
}

} // namespace

const QStringList& Mp3BitrateItems()
{
    static const QStringList items{"32",  "40",  "48",  "56",  "64",  "80",  "96",
                                   "112", "128", "160", "192", "224", "256", "320"};
    return items;
}

WMT_VERSION WmvVersionOfItem(int item)
{
    switch (item) {
    case 0:
        return WMT_VER_4_0;
    case 1:
        return WMT_VER_7_0;
    default:
        return WMT_VER_8_0;
    }
}

QStringList SystemProfileRows(IWMProfileManager2* manager, WMT_VERSION version)
{
    QStringList rows;
    std::uint32_t count = 0;
    if (!manager || Failed(manager->SetSystemProfileVersion(version)) ||
        Failed(manager->GetSystemProfileCount(&count)))
        return rows;
    QString name;
    for (std::uint32_t index = 0; index < count; ++index) {
        ComPtr<IWMProfile> profile;
        std::uint32_t streams = 0;
        if (Succeeded(manager->LoadSystemProfile(index, &profile)) && profile &&
            Succeeded(profile->GetStreamCount(&streams))) {
            for (std::uint32_t s = 0; s < streams; ++s) {
                ComPtr<IWMStreamConfig> stream;
                GUID type{};
                if (Failed(profile->GetStream(s, &stream)) || !stream ||
                    Failed(stream->GetStreamType(&type)) || type != WMMEDIATYPE_Video)
                    continue;
                QString profileName;
                if (Succeeded(profile->GetName(&profileName)))
                    name = profileName.left(1024);
                break;
            }
        }
        // One row per profile whatever it holds: the capture addresses profiles by row.
        rows.append(name);
    }
    return rows;
}

OptionsPanelModel::OptionsPanelModel(graph::Tdm& dm, settings::PreferenceCatalogue& prefs,
                                     platform::Registry& registry, OptionsPanelHost& host,
                                     ComPtr<IWMProfileManager2> profiles)
    : m_dm(dm), m_prefs(prefs), m_registry(registry), m_host(host), m_profiles(std::move(profiles))
{
    rgPrefs.Items = {"Normal Mode (registry)", "Portable Mode (USB key)", "Do not save when quit"};
    rgProfiles.Items = {"High", "Medium", "Low", "Internet"};
    rgversion.Items = {"4", "7", "8"};
    rgRatioDivX.Items = {"Normal", "4x3", "16x9", "native"};
    cboxBitratemp3.Items = Mp3BitrateItems();
    cboxBitratemp3.Select(kFallbackBitrate);
    rgExtension.Items = {"bmp", "jpeg"};
    rgStandard.Items = {"Pal", "Ntsc"};
    rgFrequenceDV.Items = {"32.000 Hz", "44.100 Hz", "48.000 Hz"};
    rgDVRatio.Items = {"4x3", "16x9"};
    ShowMp3Controls();
}

void OptionsPanelModel::Load()
{
    settings::PreferenceCatalogue& p = m_prefs;
    TrackBar1 = std::clamp(p.JpegQuality->value, 1, 100);
    labQuality = QString::number(TrackBar1);
    rgExtension.Select(p.ExtensionDesImages->value);
    ShowQuality();
    cbConfirmerVideo.Checked = p.ConfirmerVideo->value;
    cbConfirmerImage.Checked = p.ConfirmerImage->value;
    cbMpeg2ratioNormal.Checked = p.Mpeg2RatioNormal->value;
    cbScn.Checked = p.Scn->value;
    cbDVDemiSiDivX.Checked = p.DVDemiSiDivX->value;
    cbDeInterlacer.Checked = p.InternalDeinterlacer->value;
    leNoDatecode = p.NoDatecode->value;
    rgStandard.Select(p.StandardDV->value);
    rgFrequenceDV.Select(int(p.FrequenceDV->value) - 1);
    rgDVRatio.Select(p.RatioDV->value);
    rgRatioDivX.Select(p.RatioDivX->value);
    cbfrequenceDVNative.Checked = p.FrequenceDVNative->value;
    cbGarderFormatDV.Checked = p.GarderFormatDV->value;
    cbDemiTaille.Checked = p.DemiTaille->value;
    rgProfiles.Select(p.ProfileWmv->value);
    cbNotifier.Checked = p.Notifier->value;
    OnDefaultProfileClick(p.DefaultProfile->value);
    OnActiverSuperpositionClick(p.ActiverSuperposition->value);
    cbMp3.Checked = p.WantMp3->value;
    ShowMp3Controls();
    rgPrefs.Select(p.List().storeMode);
}

void OptionsPanelModel::Populate()
{
    DiscoverCodecs();
    DetectMp3();
}

void OptionsPanelModel::DiscoverCodecs()
{
    const TDivxCodecList codecs = FilterDivxCodecs(VideoCompressorNames(m_dm.DeviceEnumerator()));
    cboxdivx.Clear();
    cboxdivx.Items = codecs.Names;
    m_divxFound = !codecs.Names.isEmpty();
    DivxPageVisible = m_divxFound;
    if (!m_divxFound)
        return;
    cboxdivx.SelectIndex(ChooseDivxCodec(codecs, m_prefs.DivxFavori->value));
    BindDivxCompressor(cboxdivx.Text);
}

void OptionsPanelModel::BindDivxCompressor(const QString& name)
{
    // Binding takes the filter object out of the graph it was in first.
    m_dm.divx.BindMoniker(VideoCompressorNamed(m_dm.DeviceEnumerator(), name));
}

void OptionsPanelModel::DetectMp3()
{
    ComPtr<IMoniker> lame = LameMp3EncoderMoniker(m_dm.DeviceEnumerator());
    m_mp3Found = static_cast<bool>(lame);
    if (m_mp3Found)
        m_dm.mp3.BindMoniker(lame);
    cbMp3.Checked = m_prefs.WantMp3->value;
    ShowMp3Controls();
    if (!m_mp3Found)
        return;
    CurrentUserScope root(m_registry);
    if (!m_registry.OpenKeyReadOnly(LameSettingsKey()))
        return;
    const std::optional<std::int32_t> stored = m_registry.ReadInteger(kBitrateValue);
    m_registry.CloseKey();
    if (stored)
        cboxBitratemp3.Select(QString::number(*stored));
}

void OptionsPanelModel::ShowMp3Controls()
{
    const bool offered = m_mp3Found && m_divxFound;
    cbMp3.Visible = offered;
    cboxBitratemp3Visible = offered;
    sbPropMp3Visible = offered;
    gbMp3Visible = m_mp3Found && cbMp3.Checked;
    MemoMp3Visible = !m_mp3Found;
}

void OptionsPanelModel::ShowQuality()
{
    gbQualityVisible = rgExtension.ItemIndex == 1;
}

void OptionsPanelModel::FillProfileList()
{
    cboxMedia.Clear();
    cboxMedia.Items = SystemProfileRows(m_profiles.Get(), WmvVersionOfItem(rgversion.ItemIndex));
    cboxMedia.SelectIndex(0);
}

void OptionsPanelModel::RestoreProfileList()
{
    rgversion.Select(m_prefs.VersionWmv->value);
    FillProfileList();
    const QString& preferred = m_prefs.PreferredWmvProfile->value;
    if (cboxMedia.Holds(preferred))
        cboxMedia.Select(preferred);
}

void OptionsPanelModel::Save()
{
    settings::PreferenceCatalogue& p = m_prefs;
    p.ConfirmerVideo->value = cbConfirmerVideo.Checked;
    p.ConfirmerImage->value = cbConfirmerImage.Checked;
    p.Notifier->value = cbNotifier.Checked;
    p.ActiverSuperposition->value = cbActiverSuperposition.Checked;
    if (rgPrefs.ItemIndex >= 0)
        p.List().storeMode = static_cast<TSavePreferences>(rgPrefs.ItemIndex);
    p.Mpeg2RatioNormal->value = cbMpeg2ratioNormal.Checked;
    p.DefaultProfile->value = cbDefaultProfile.Checked;
    StoreItem(rgProfiles, *p.ProfileWmv);
    StoreItem(rgversion, *p.VersionWmv);
    p.PreferredWmvProfile->value = cboxMedia.Text;
    p.ProfilWindowsMedia->value = cboxMedia.Text;
    // Without any DivX codec on this system the list is empty; the remembered codec stays for
    // when one is installed again.
    if (!cboxdivx.Items.isEmpty())
        p.DivxFavori->value = cboxdivx.Text;
    StoreItem(rgRatioDivX, *p.RatioDivX);
    p.DemiTaille->value = cbDemiTaille.Checked;
    p.WantMp3->value = cbMp3.Checked;
    StoreItem(rgExtension, *p.ExtensionDesImages);
    p.JpegQuality->value = TrackBar1;
    p.InternalDeinterlacer->value = cbDeInterlacer.Checked;
    StoreItem(rgStandard, *p.StandardDV);
    if (rgFrequenceDV.ItemIndex >= 0)
        p.FrequenceDV->value = static_cast<std::uint8_t>(rgFrequenceDV.ItemIndex + 1);
    p.FrequenceDVNative->value = cbfrequenceDVNative.Checked;
    p.GarderFormatDV->value = cbGarderFormatDV.Checked;
    p.DVDemiSiDivX->value = cbDVDemiSiDivX.Checked;
    p.Scn->value = cbScn.Checked;
    p.NoDatecode->value = leNoDatecode;
    StoreItem(rgDVRatio, *p.RatioDV);
}

void OptionsPanelModel::OnConfirmerVideoClick(bool checked)
{
    cbConfirmerVideo.Checked = checked;
    m_prefs.ConfirmerVideo->value = checked;
}

void OptionsPanelModel::OnConfirmerImageClick(bool checked)
{
    cbConfirmerImage.Checked = checked;
    m_prefs.ConfirmerImage->value = checked;
}

void OptionsPanelModel::OnNotifierClick(bool checked)
{
    cbNotifier.Checked = checked;
    m_prefs.Notifier->value = checked;
    m_host.NotifierChanged(checked);
}

void OptionsPanelModel::OnActiverSuperpositionClick(bool checked)
{
    cbActiverSuperposition.Checked = checked;
    m_prefs.ActiverSuperposition->value = checked;
    m_host.SuperpositionAllowed(checked);
}

void OptionsPanelModel::OnStoreModeClick(int item)
{
    rgPrefs.Select(item);
    if (rgPrefs.ItemIndex >= 0)
        m_host.SetStoreMode(static_cast<TSavePreferences>(rgPrefs.ItemIndex));
}

void OptionsPanelModel::OnMpeg2RatioNormalClick(bool checked)
{
    cbMpeg2ratioNormal.Checked = checked;
    m_prefs.Mpeg2RatioNormal->value = checked;
}

void OptionsPanelModel::OnDefaultProfileClick(bool checked)
{
    cbDefaultProfile.Checked = checked;
    m_prefs.DefaultProfile->value = checked;
    rgProfilesVisible = checked;
    gbProfilesVisible = !checked;
}

void OptionsPanelModel::OnProfileChoiceClick(int item)
{
    rgProfiles.Select(item);
}

void OptionsPanelModel::OnVersionClick(int item)
{
    rgversion.Select(item);
    FillProfileList();
}

void OptionsPanelModel::OnProfileListChange(int index)
{
    cboxMedia.SelectIndex(index);
}

void OptionsPanelModel::SelectProfileByMenuTag(int tag)
{
    cboxMedia.SelectIndex(tag);
}

void OptionsPanelModel::OnDivxCodecChange(int index)
{
    cboxdivx.SelectIndex(index);
    BindDivxCompressor(cboxdivx.Text);
    m_prefs.DivxFavori->value = cboxdivx.Text;
}

void OptionsPanelModel::OnRatioDivxClick(int item)
{
    rgRatioDivX.Select(item);
    StoreItem(rgRatioDivX, *m_prefs.RatioDivX);
}

void OptionsPanelModel::OnDemiTailleClick(bool checked)
{
    cbDemiTaille.Checked = checked;
}

void OptionsPanelModel::OnMp3Click(bool checked)
{
    cbMp3.Checked = checked;
    m_prefs.WantMp3->value = checked;
    ShowMp3Controls();
}

void OptionsPanelModel::OnBitrateChange(const QString& text)
{
    if (cboxBitratemp3.Holds(text)) {
        cboxBitratemp3.Select(text);
    } else {
        cboxBitratemp3.ItemIndex = -1;
        cboxBitratemp3.Text = text;
    }
    bool parsed = false;
    const int kbps = text.trimmed().toInt(&parsed);
    bool written = false;
    if (parsed) {
        CurrentUserScope root(m_registry);
        // The encoder's own key: a missing one means the encoder is not installed as expected,
        // so nothing is created here.
        if (m_registry.OpenKey(LameSettingsKey(), false)) {
            written = m_registry.WriteInteger(kBitrateValue, kbps);
            m_registry.CloseKey();
        }
    }
    if (!written)
        cboxBitratemp3.Select(kFallbackBitrate);
}

void OptionsPanelModel::OnExtensionClick(int item)
{
    rgExtension.Select(item);
    StoreItem(rgExtension, *m_prefs.ExtensionDesImages);
    ShowQuality();
    m_host.SnapshotExtensionChanged();
}

void OptionsPanelModel::OnJpegQualityChange(int position)
{
    TrackBar1 = std::clamp(position, 1, 100);
    labQuality = QString::number(TrackBar1);
}

void OptionsPanelModel::OnDeInterlacerClick(bool checked)
{
    cbDeInterlacer.Checked = checked;
    m_prefs.InternalDeinterlacer->value = checked;
}

void OptionsPanelModel::OnStandardClick(int item)
{
    rgStandard.Select(item);
    StoreItem(rgStandard, *m_prefs.StandardDV);
}

void OptionsPanelModel::OnFrequenceDvClick(int item)
{
    rgFrequenceDV.Select(item);
    if (rgFrequenceDV.ItemIndex >= 0)
        m_prefs.FrequenceDV->value = static_cast<std::uint8_t>(rgFrequenceDV.ItemIndex + 1);
}

void OptionsPanelModel::OnFrequenceDvNativeClick(bool checked)
{
    cbfrequenceDVNative.Checked = checked;
    m_prefs.FrequenceDVNative->value = checked;
}

void OptionsPanelModel::OnGarderFormatDvClick(bool checked)
{
    cbGarderFormatDV.Checked = checked;
    m_prefs.GarderFormatDV->value = checked;
}

void OptionsPanelModel::OnDvDemiSiDivxClick(bool checked)
{
    cbDVDemiSiDivX.Checked = checked;
    m_prefs.DVDemiSiDivX->value = checked;
}

void OptionsPanelModel::OnScnClick(bool checked)
{
    cbScn.Checked = checked;
    m_prefs.Scn->value = checked;
}

void OptionsPanelModel::OnNoDatecodeEdit(const QString& text)
{
    leNoDatecode = text;
    m_prefs.NoDatecode->value = text;
}

void OptionsPanelModel::OnDvRatioClick(int item)
{
    rgDVRatio.Select(item);
    StoreItem(rgDVRatio, *m_prefs.RatioDV);
}

TWmvProfileChoice OptionsPanelModel::WmvProfileChoice() const
{
    if (cbDefaultProfile.Checked || cboxMedia.ItemIndex < 0)
        return {true, std::max(rgProfiles.ItemIndex, 0), WmvVersionOfItem(rgversion.ItemIndex), -1};
    return {false, rgProfiles.ItemIndex, WmvVersionOfItem(rgversion.ItemIndex), cboxMedia.ItemIndex};
}

bool OptionsPanelModel::Mp3HasPropertyPages() const
{
    JoinedForQuestion joined(m_dm.mp3, m_dm.Graph());
    const auto pages = QueryAs<ISpecifyPropertyPages>(m_dm.mp3.Filter());
    std::vector<GUID> ids;
    return pages && Succeeded(pages->GetPages(&ids)) && !ids.empty();
}

} // namespace camtrove::app
