#pragma once
// The Grab panel's model: grab requests to the inlay filter, the grabbed frame turned into a
// picture of the chosen ratio, its thumbnail, saving it as BMP or JPEG with the replace question,
// registration in the captured-files list, the intervalometer with its countdown and beeps, and
// image-by-image capture, where each grab lets one frame through to the video instead. Frames are
// grabbed on a streaming thread; everything here runs on the UI thread when the posted messages
// arrive, and every grab slot is given back.

#include "app/panels/captured_files_list.h"
#include "app/panels/intervalometer.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace camtrove::graph {
class Tdm;
}
namespace camtrove::platform {
class Prompter;
}
namespace camtrove::settings {
class PreferenceCatalogue;
}

namespace camtrove::app {

class OutputNaming;

// What the panel asks of the window around it.
class GrabPanelHost
{
public:
    virtual ~GrabPanelHost() = default;
    // A grab shows the Grab panel when another panel is active.
    virtual void ShowGrabPanel() = 0;
    // The shape the preview gives the source (4:3 or 16:9 for a DV source), 0:0 when it has none.
    [[nodiscard]] virtual QSize DisplayRatio() const = 0;
    // The texts of the video, audio, audio entry and format lists, for the captured-files list.
    [[nodiscard]] virtual CaptureRecord SourceTexts() const = 0;
    virtual void RefreshStatusTexts() = 0;
    // "beep0" or "beep1", without waiting for it to end.
    virtual void PlayBeep(int which) = 0;
};

class GrabPanelModel
{
public:
    GrabPanelModel(graph::Tdm& dm, settings::PreferenceCatalogue& preferences, OutputNaming& naming,
                   CapturedFilesList& files, platform::Prompter& prompter, GrabPanelHost& host);

    // saGrab, the grab button and a click on the preview.
    void RequestGrab();
    // WM_IMAGEGRABBED and WM_INTERVALOCOUNTDOWN.
    void OnImageGrabbed(int slot);
    void OnCountdown(int secondsLeft);

    // Writes the output picture under the next image name; false when the user kept the old one,
    // the old one could not go to the trash, or the write failed (the name does not advance then).
    bool SaveGrabbedImage();

    // The intervalometer switch, applied. Turning it on fails with a message when the interval
    // cannot be counted; the switch then stays off.
    bool SetIntervalometer(bool on);
    // saIntervallo: flips the switch.
    void ToggleIntervalometer() { (void)SetIntervalometer(!m_intervalometerOn); }
    void SetIntervalValue(std::uint32_t value);
    void SetIntervalUnit(IntervalUnit unit);
    void BeepsClicked(bool on);
    // The video source came or went: without one the grab command and the switch are disabled,
    // a running intervalometer being applied once more first.
    void SetVideoSourceActive(bool active);

    // Image by image: entered when such a capture starts, left when it stops.
    void EnterImageByImage();
    void LeaveImageByImage();
    // The end of an image-by-image capture: the video plays at "Framerate" when frames were
    // added; a file that received none is deleted. False when the file could not be finished.
    bool FinishImageByImage(const QString& file);
    // The images-per-second field left: a malformed value is refused with the message, the field
    // shows "18,0" and "Framerate" becomes 18.
    void ImagesPerSecondLeft(const QString& text);
    [[nodiscard]] QString ImagesPerSecondText() const { return m_imagesPerSecondText; }

    [[nodiscard]] bool ImageByImage() const { return m_imageByImage; }
    [[nodiscard]] int ImageByImageFrames() const { return m_imageByImageFrames; }
    [[nodiscard]] const QImage& OutputBitmap() const { return m_output; }
    [[nodiscard]] QRect Thumbnail() const { return m_thumbnail; }
    [[nodiscard]] bool ThumbnailFrameVisible() const { return m_thumbnailFrameVisible; }
    [[nodiscard]] QString NextImageLabel() const;
    [[nodiscard]] int GrabButtonImage() const { return m_imageByImage ? 3 : 6; }
    [[nodiscard]] bool IntervalometerOn() const { return m_intervalometerOn; }
    [[nodiscard]] bool IntervalFieldsEnabled() const { return !m_intervalometerOn; }
    [[nodiscard]] bool CountdownVisible() const { return m_countdownVisible; }
    [[nodiscard]] const QString& CountdownText() const { return m_countdownText; }
    [[nodiscard]] bool GrabEnabled() const { return m_videoSourceActive; }
    [[nodiscard]] bool IntervalometerSwitchEnabled() const { return m_videoSourceActive; }
    // Status panel 0.
    [[nodiscard]] StatusPanelText StatusText() const;

    [[nodiscard]] static QString ReplaceQuestion(const QString& fileName);
    [[nodiscard]] static QString ImagesPerSecondMessage();

private:
    [[nodiscard]] QSize ChosenRatio(QSize source) const;
    void MakeOutputPicture(const QImage& grabbed);

    graph::Tdm& m_dm;
    settings::PreferenceCatalogue& m_preferences;
    OutputNaming& m_naming;
    CapturedFilesList& m_files;
    platform::Prompter& m_prompter;
    GrabPanelHost& m_host;

    QImage m_output;
    QRect m_thumbnail;
    bool m_thumbnailFrameVisible = false;
    bool m_intervalometerOn = false;
    bool m_countdownVisible = false;
    QString m_countdownText;
    bool m_videoSourceActive = false;
    bool m_imageByImage = false;
    int m_imageByImageFrames = 0;
    QString m_imagesPerSecondText;
};

} // namespace camtrove::app
