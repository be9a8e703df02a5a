#include "app/panels/options_panel_texts.h"

#include <array>

namespace camtrove::app {

std::span<const TControlText> OptionsPanelTexts()
{
    static const std::array<TControlText, 21> texts{{
        {"TabPref", "Pref", {}},
        {"cbConfirmerVideo", {}, "Always ask a confirmation before deleting an existing video file."},
        {"cbConfirmerImage", {}, "Always ask a confirmation before deleting an existing image file."},
        {"cbNotifier",
         {},
         "Automatically check if new sources are available\r\nor if existing sources disconnect"},
        {"cbActiverSuperposition", {}, "Uncheck if your system lacks of resources."},
        {"TabWmv", "Wmv", {}},
        {"gbProfiles", "Standard profiles of wmv", "Settings of Windows media for capture in format Wmv."},
        {"labVersion", "version\r\nof Windows Media", {}},
        {"rgProfiles", "Default Profiles", "Basic profiles for capturing in wmv"},
        {"gbdivx", "DivX video", {}},
        {"sbPropDivx",
         {},
         "Fine tuning of the DivX or Xvid codec.\r\nBe sure to choose a configuration in one single pass!"},
        {"sbVersionDivx", {}, "Version of codec DivX or Xvid"},
        {"cboxdivx", {}, "List of DivX or Xvid codecs found on the system"},
        {"labBitrate", "Bitrate in kbits per s", {}},
        {"cboxBitratemp3",
         {},
         "Choose the bitrate of mp3 in kilobits per second.\r\nIf you need to spare disk space, 96Kbits is "
         "often enough."},
        {"cbMp3",
         {},
         "If checked, the capture in Divx or Xvid will compress audio into mp3.\r\nIf unchecked, audio will "
         "remain in PCM not compressed."},
        {"sbPropMp3",
         {},
         "Fine tuning of the Mp3 capture, particularly the audio frequency\r\nif you do not want to keep "
         "44100Hz. Actually the bitrate will not \r\nbe modified with this button, but only in the dedicated "
         "dialog box."},
        {"TabPictures", "Pictures", {}},
        {"rgExtension", {}, "Choose the type of snapshots"},
        {"gbQuality", "Quality of jpeg", "Set the quality of Jpeg.\r\nmini at left - maxi at right"},
        {"cbDeInterlacer",
         {},
         "If checked the grabbed images will be deinterlaced\r\neven if the preview of the video is not."},
    }};
    return texts;
}

QString Mp3MissingText()
{
    return QStringLiteral("If you install the filter lame.ax of Elecard,\r\nyou will be able to compress.");
}

} // namespace camtrove::app
