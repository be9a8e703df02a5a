#include "settings/catalogue.h"

#include "platform/registry.h"
#include "settings/ini_file.h"
#include "settings/parameter_section.h"
#include "settings/store_mode.h"

#include <QFileInfo>

namespace camtrove::settings {

QString CatalogueSignature()
{
    return QStringLiteral("Camtrove %1.%2.%3 en by Dorn Vesk").arg(6).arg(2).arg(0);
}

QString ComponentVersionText()
{
    return QStringLiteral("Camtrove 6.2.0 en by  Dorn Vesk");
}

TincrustRec DefaultIncrustRec()
{
    TincrustRec r;
    r.FormatDate1 = QStringLiteral("ddddd");
    r.FormatDate2 = QStringLiteral("tt");
    r.DecalageHoraire = 0.0;
    r.FontRec = TfontRecord{QStringLiteral("Arial"), 21, 16777215, false, false, false, false};
    r.Autofontsize = true;
    r.BorderSize = 1;
    r.WhatIncrust = 0;
    r.Alignment = 2;
    r.BorderColor = 0;
    r.Xpos = 914;
    r.Ypos = 914;
    return r;
}

PreferenceCatalogue::PreferenceCatalogue(TStoreLocation location, TUserFolders folders)
    : m_folders(std::move(folders)), m_list(CatalogueSignature(), std::move(location))
{
}

bool PreferenceCatalogue::Build()
{
    m_list.keyPath = kKeyPath;
    m_list.storeMode = DecideStoreMode(m_list.Location());
    CreateParameters();
    const bool loaded = m_list.LoadAll();
    if (loaded && m_list.storeMode == spPortable)
        RebasePortableFolders();
    return loaded;
}

QString PreferenceCatalogue::ShellFolderDefault(const QString& folder) const
{
    QString path = folder.isEmpty() ? m_folders.documents : folder;
    // The Windows build fell back to the system drive; here that is the root of the file system.
    if (path.isEmpty())
        path = QStringLiteral("/");
    return WithTrailingSlash(path);
}

QString PreferenceCatalogue::PluginsDirDefault() const
{
    return WithTrailingSlash(m_list.Location().exeDir);
}

QString PreferenceCatalogue::ReeltrakDefault() const
{
    // Opened with the right to create it, so the sibling program's key exists afterwards.
    platform::Registry registry(m_list.Location().registryFolder);
    if (!registry.OpenKey(QStringLiteral("\\Software\\Dorn Vesk\\Reeltrak"), true))
        return QString();
    return registry.ReadString(QStringLiteral("Exename")).value_or(QString());
}

void PreferenceCatalogue::RebasePortableFolders()
{
    // The executable's path of the last save tells where the portable copy stood then, so that
    // folders inside it follow the copy to another mount point.
    const auto lines = ReadIniFile(m_list.Location().IniFilePath(kTitre));
    if (!lines)
        return;
    const QString header = QLatin1Char('[') + kKeyPath + QLatin1Char(']');
    const auto line = FindParameterLine(*lines, header, QStringLiteral("ExeName"));
    if (!line)
        return;
    const QString storedExe = DecodeIniText(ParameterLineValue((*lines)[*line]));
    const qsizetype slash = storedExe.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return;
    const QString oldBase = storedExe.left(slash + 1);
    const QString newBase = WithTrailingSlash(m_list.Location().exeDir);
    for (TWideStringParameter* folder : {VideoDirectory, ImageDirectory, PluginsDir, Reeltrak})
        folder->value = RebaseFolder(folder->value, oldBase, newBase);
}

void PreferenceCatalogue::CreateParameters()
{
    Volume = &m_list.Create<TIntegerParameter>(QString::fromUtf8("Volume"), std::int32_t(5000));
    StandardDV = &m_list.Create<TstandardDVParameter>(QString::fromUtf8("Standard DV"), std::uint8_t(0));
    ProfileWmv = &m_list.Create<TIntegerParameter>(QString::fromUtf8("Profile wmv"), std::int32_t(1));
    FrequenceDV = &m_list.Create<TFrequenceDVParameter>(QString::fromUtf8("FrequenceDV"), std::uint8_t(3));
    RatioDV = &m_list.Create<TRatioDVParameter>(QString::fromUtf8("RatioDV"), std::uint8_t(0));
    RatioDivX = &m_list.Create<TAspectRatioParameter>(QString::fromUtf8("Ratio DivX"), std::uint8_t(0));
    CorrectionSync = &m_list.Create<TIntegerParameter>(QString::fromUtf8("Correction Sync"), std::int32_t(0));
    Framerate = &m_list.Create<TRealParameter>(QString::fromUtf8("Framerate"), 18.0);
    IncrustRec = &m_list.Create<TincrustRecParameter>(QString::fromUtf8("IncrustRec"), DefaultIncrustRec());
    DureeIncruster = &m_list.Create<TIntegerParameter>(QString::fromUtf8("Durée Incruster"), std::int32_t(5));
    WhenIncrust = &m_list.Create<TWhenIncrustParameter>(QString::fromUtf8("When Incrust"), std::uint8_t(0));
    NoDatecode =
        &m_list.Create<TWideStringParameter>(QString::fromUtf8("No Datecode"), QString::fromUtf16(u"N/A"));
    TimeDifference = &m_list.Create<TRealParameter>(QString::fromUtf8("Time difference"), 0.0);
    DecalageAvance = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Décalage avancé"), false);
    ExtensionDesImages =
        &m_list.Create<TIntegerParameter>(QString::fromUtf8("Extension des images"), std::int32_t(0));
    JpegQuality = &m_list.Create<TIntegerParameter>(QString::fromUtf8("Jpeg quality"), std::int32_t(50));
    VersionWmv = &m_list.Create<TIntegerParameter>(QString::fromUtf8("Version wmv"), std::int32_t(2));
    ValeurIntervallometre =
        &m_list.Create<TIntegerParameter>(QString::fromUtf8("Valeur Intervallomètre"), std::int32_t(10));
    UnitesIntervallometre =
        &m_list.Create<TIntegerParameter>(QString::fromUtf8("Unités Intervallomètre"), std::int32_t(0));
    ActivePanel = &m_list.Create<TframeNumberParameter>(QString::fromUtf8("Active panel"), std::uint8_t(0));
    AspectRatio = &m_list.Create<TAspectRatioParameter>(QString::fromUtf8("Aspect ratio"), std::uint8_t(0));
    WideScreen = &m_list.Create<TBooleanParameter>(QString::fromUtf8("WideScreen"), false);
    PluginsDir = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Plugins Dir"), PluginsDirDefault());
    VideoDirectory = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Video Directory"),
                                                          ShellFolderDefault(m_folders.videos));
    VideoRacine =
        &m_list.Create<TWideStringParameter>(QString::fromUtf8("Video Racine"), QString::fromUtf16(u"Video"));
    ImageDirectory = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Image Directory"),
                                                          ShellFolderDefault(m_folders.pictures));
    ImageRacine =
        &m_list.Create<TWideStringParameter>(QString::fromUtf8("Image Racine"), QString::fromUtf16(u"Image"));
    Reeltrak = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Reeltrak"), ReeltrakDefault());
    SourceVideo =
        &m_list.Create<TWideStringParameter>(QString::fromUtf8("Source video"), QString::fromUtf16(u"N/A"));
    AudioSource =
        &m_list.Create<TWideStringParameter>(QString::fromUtf8("Audio source"), QString::fromUtf16(u"N/A"));
    CaptureFormat =
        &m_list.Create<TFormatCaptureParameter>(QString::fromUtf8("Capture Format"), std::uint8_t(10));
    AudioType = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Audio Type"), QString());
    SoundCardEntry = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Sound Card Entry"),
                                                          QString::fromUtf16(u"Line In"));
    ProfilWindowsMedia = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Profil Windows media"),
                                                              QString::fromUtf16(u"N/A"));
    PreferredWmvProfile =
        &m_list.Create<TWideStringParameter>(QString::fromUtf8("Preferred  wmv profile"), QString());
    DefaultProfile = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Default Profile"), true);
    DivxFavori = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Divx favori"), QString());
    WantMp3 = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Want Mp3"), true);
    FrequenceDVNative = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Frequence DV native"), true);
    GarderFormatDV = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Garder Format DV"), false);
    DemiTaille = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Demi Taille"), true);
    Notifier = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Notifier"), true);
    InternalDeinterlacer =
        &m_list.Create<TBooleanParameter>(QString::fromUtf8("Internal Deinterlacer"), true);
    EcranGauche = &m_list.Create<TBooleanParameter>(QString::fromUtf8("EcranGauche"), true);
    PreviewLocked = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Preview Locked"), true);
    ActiverSuperposition =
        &m_list.Create<TBooleanParameter>(QString::fromUtf8("Activer Superposition"), true);
    WantIncrust = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Want Incrust"), false);
    WantVertFlip = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Want vert Flip"), false);
    WantHorzFlip = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Want Horz flip"), false);
    WantWidescreen = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Want Widescreen"), false);
    WantVideoSource = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Want video source"), QString());
    WantAudioSource = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Want audio source"), QString());
    WantFormatCapture =
        &m_list.Create<TWideStringParameter>(QString::fromUtf8("Want Format capture"), QString());
    RaccourcisSort =
        &m_list.Create<TRaccourcisSortParameter>(QString::fromUtf8("Raccourcis Sort"), std::uint8_t(0));
    FullscreenOn = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Fullscreen On"), false);
    ReducedOn = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Reduced on"), false);
    MuteOn = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Mute On"), true);
    StopperCameraDV1EnQuittant =
        &m_list.Create<TBooleanParameter>(QString::fromUtf8("Stopper camera DV 1 en quittant"), true);
    StopperCameraDV2EnQuittant =
        &m_list.Create<TBooleanParameter>(QString::fromUtf8("Stopper camera DV 2 en quittant"), true);
    VideoDate = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Video Date"), true);
    ImageDate = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Image date"), false);
    ShowVideoPilotDV = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Show Video Pilot DV"), true);
    ShowAudioPilotDV = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Show Audio Pilot DV"), true);
    SavePreferencesWhenQuit =
        &m_list.Create<TBooleanParameter>(QString::fromUtf8("Save preferences when quit"), true);
    ConfirmerImage = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Confirmer Image"), true);
    ConfirmerVideo = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Confirmer Video"), true);
    Mpeg2RatioNormal = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Mpeg2 Ratio Normal"), true);
    Scn = &m_list.Create<TBooleanParameter>(QString::fromUtf8("scn"), false);
    DVDemiSiDivX = &m_list.Create<TBooleanParameter>(QString::fromUtf8("DV demi si DivX"), true);
    Beeps = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Beeps"), false);
    SourcesExclues = &m_list.Create<TWideStringParameter>(QString::fromUtf8("Sources Exclues"), QString());
    VideoInputSelect =
        &m_list.Create<TIntegerParameter>(QString::fromUtf8("Video Input Select"), std::int32_t(-1));
    FreezePreview = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Freeze Preview"), false);
    FreezeCapture = &m_list.Create<TBooleanParameter>(QString::fromUtf8("Freeze Capture"), false);
}

} // namespace camtrove::settings
