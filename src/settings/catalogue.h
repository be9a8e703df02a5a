#pragma once
// The catalogue: the 74 preferences of the application, created in one fixed order (the order of
// every load and save) with their keys exactly as stored, their kinds and their defaults. Every
// parameter is reachable as a named member. Built once at start; UI thread only.

#include "settings/parameter.h"
#include "settings/store_location.h"
#include "settings/user_folders.h"

namespace camtrove::settings {

// "Camtrove 6.2.0 en by Dorn Vesk": the signature written by every save.
[[nodiscard]] QString CatalogueSignature();
// "Camtrove 6.2.0 en by  Dorn Vesk" (two blanks after "by"): the component's "Version".
[[nodiscard]] QString ComponentVersionText();
[[nodiscard]] TincrustRec DefaultIncrustRec();

class PreferenceCatalogue
{
public:
    explicit PreferenceCatalogue(TStoreLocation location, TUserFolders folders = TUserFolders::FromSystem());

    // Sets the key path, decides the store mode, creates the parameters and loads them. An
    // unreadable store leaves the parameters at their defaults (false).
    [[nodiscard]] bool Build();

    [[nodiscard]] TparameterList& List() { return m_list; }
    [[nodiscard]] const TparameterList& List() const { return m_list; }

    TIntegerParameter* Volume = nullptr;                     // "Volume"
    TstandardDVParameter* StandardDV = nullptr;              // "Standard DV"
    TIntegerParameter* ProfileWmv = nullptr;                 // "Profile wmv"
    TFrequenceDVParameter* FrequenceDV = nullptr;            // "FrequenceDV"
    TRatioDVParameter* RatioDV = nullptr;                    // "RatioDV"
    TAspectRatioParameter* RatioDivX = nullptr;              // "Ratio DivX"
    TIntegerParameter* CorrectionSync = nullptr;             // "Correction Sync"
    TRealParameter* Framerate = nullptr;                     // "Framerate"
    TincrustRecParameter* IncrustRec = nullptr;              // "IncrustRec"
    TIntegerParameter* DureeIncruster = nullptr;             // "Durée Incruster"
    TWhenIncrustParameter* WhenIncrust = nullptr;            // "When Incrust"
    TWideStringParameter* NoDatecode = nullptr;              // "No Datecode"
    TRealParameter* TimeDifference = nullptr;                // "Time difference"
    TBooleanParameter* DecalageAvance = nullptr;             // "Décalage avancé"
    TIntegerParameter* ExtensionDesImages = nullptr;         // "Extension des images"
    TIntegerParameter* JpegQuality = nullptr;                // "Jpeg quality"
    TIntegerParameter* VersionWmv = nullptr;                 // "Version wmv"
    TIntegerParameter* ValeurIntervallometre = nullptr;      // "Valeur Intervallomètre"
    TIntegerParameter* UnitesIntervallometre = nullptr;      // "Unités Intervallomètre"
    TframeNumberParameter* ActivePanel = nullptr;            // "Active panel"
    TAspectRatioParameter* AspectRatio = nullptr;            // "Aspect ratio"
    TBooleanParameter* WideScreen = nullptr;                 // "WideScreen"
    TWideStringParameter* PluginsDir = nullptr;              // "Plugins Dir"
    TWideStringParameter* VideoDirectory = nullptr;          // "Video Directory"
    TWideStringParameter* VideoRacine = nullptr;             // "Video Racine"
    TWideStringParameter* ImageDirectory = nullptr;          // "Image Directory"
    TWideStringParameter* ImageRacine = nullptr;             // "Image Racine"
    TWideStringParameter* Reeltrak = nullptr;                // "Reeltrak"
    TWideStringParameter* SourceVideo = nullptr;             // "Source video"
    TWideStringParameter* AudioSource = nullptr;             // "Audio source"
    TFormatCaptureParameter* CaptureFormat = nullptr;        // "Capture Format"
    TWideStringParameter* AudioType = nullptr;               // "Audio Type"
    TWideStringParameter* SoundCardEntry = nullptr;          // "Sound Card Entry"
    TWideStringParameter* ProfilWindowsMedia = nullptr;      // "Profil Windows media"
    TWideStringParameter* PreferredWmvProfile = nullptr;     // "Preferred  wmv profile"
    TBooleanParameter* DefaultProfile = nullptr;             // "Default Profile"
    TWideStringParameter* DivxFavori = nullptr;              // "Divx favori"
    TBooleanParameter* WantMp3 = nullptr;                    // "Want Mp3"
    TBooleanParameter* FrequenceDVNative = nullptr;          // "Frequence DV native"
    TBooleanParameter* GarderFormatDV = nullptr;             // "Garder Format DV"
    TBooleanParameter* DemiTaille = nullptr;                 // "Demi Taille"
    TBooleanParameter* Notifier = nullptr;                   // "Notifier"
    TBooleanParameter* InternalDeinterlacer = nullptr;       // "Internal Deinterlacer"
    TBooleanParameter* EcranGauche = nullptr;                // "EcranGauche"
    TBooleanParameter* PreviewLocked = nullptr;              // "Preview Locked"
    TBooleanParameter* ActiverSuperposition = nullptr;       // "Activer Superposition"
    TBooleanParameter* WantIncrust = nullptr;                // "Want Incrust"
    TBooleanParameter* WantVertFlip = nullptr;               // "Want vert Flip"
    TBooleanParameter* WantHorzFlip = nullptr;               // "Want Horz flip"
    TBooleanParameter* WantWidescreen = nullptr;             // "Want Widescreen"
    TWideStringParameter* WantVideoSource = nullptr;         // "Want video source"
    TWideStringParameter* WantAudioSource = nullptr;         // "Want audio source"
    TWideStringParameter* WantFormatCapture = nullptr;       // "Want Format capture"
    TRaccourcisSortParameter* RaccourcisSort = nullptr;      // "Raccourcis Sort"
    TBooleanParameter* FullscreenOn = nullptr;               // "Fullscreen On"
    TBooleanParameter* ReducedOn = nullptr;                  // "Reduced on"
    TBooleanParameter* MuteOn = nullptr;                     // "Mute On"
    TBooleanParameter* StopperCameraDV1EnQuittant = nullptr; // "Stopper camera DV 1 en quittant"
    TBooleanParameter* StopperCameraDV2EnQuittant = nullptr; // "Stopper camera DV 2 en quittant"
    TBooleanParameter* VideoDate = nullptr;                  // "Video Date"
    TBooleanParameter* ImageDate = nullptr;                  // "Image date"
    TBooleanParameter* ShowVideoPilotDV = nullptr;           // "Show Video Pilot DV"
    TBooleanParameter* ShowAudioPilotDV = nullptr;           // "Show Audio Pilot DV"
    TBooleanParameter* SavePreferencesWhenQuit = nullptr;    // "Save preferences when quit"
    TBooleanParameter* ConfirmerImage = nullptr;             // "Confirmer Image"
    TBooleanParameter* ConfirmerVideo = nullptr;             // "Confirmer Video"
    TBooleanParameter* Mpeg2RatioNormal = nullptr;           // "Mpeg2 Ratio Normal"
    TBooleanParameter* Scn = nullptr;                        // "scn"
    TBooleanParameter* DVDemiSiDivX = nullptr;               // "DV demi si DivX"
    TBooleanParameter* Beeps = nullptr;                      // "Beeps"
    TWideStringParameter* SourcesExclues = nullptr;          // "Sources Exclues"
    TIntegerParameter* VideoInputSelect = nullptr;           // "Video Input Select"
    TBooleanParameter* FreezePreview = nullptr;              // "Freeze Preview"
    TBooleanParameter* FreezeCapture = nullptr;              // "Freeze Capture"

private:
    void CreateParameters();
    void RebasePortableFolders();
    [[nodiscard]] QString ShellFolderDefault(const QString& folder) const;
    [[nodiscard]] QString PluginsDirDefault() const;
    [[nodiscard]] QString ReeltrakDefault() const;

    TUserFolders m_folders;
    TparameterList m_list;
};

} // namespace camtrove::settings
