#include "app/panels/grab_panel_model.h"

#include "app/capture/output_naming.h"
#include "app/panels/picture_writers.h"
#include "app/panels/snapshot_geometry.h"
#include "filters/deinter.h"
#include "filters/fpsunit.h"
#include "graph/tdm.h"
#include "platform/prompter.h"
#include "platform/trash.h"
#include "settings/catalogue.h"

#include <QFile>
#include <QLocale>
#include <QPainter>

namespace camtrove::app {
namespace {

IntervalUnit UnitOf(std::int32_t index)
{
    return index >= 0 && index <= 3 ? static_cast<IntervalUnit>(index) : IntervalUnit::Seconds;
}

} // namespace

GrabPanelModel::GrabPanelModel(graph::Tdm& dm, settings::PreferenceCatalogue& preferences,
                               OutputNaming& naming, CapturedFilesList& files, platform::Prompter& prompter,
                               GrabPanelHost& host)
    : m_dm(dm), m_preferences(preferences), m_naming(naming), m_files(files), m_prompter(prompter),
      m_host(host), m_imagesPerSecondText(QLocale().toString(preferences.Framerate->value, 'f', 1))
{
}

void GrabPanelModel::RequestGrab()
{
    m_host.ShowGrabPanel();
    m_dm.Superposer->RequestGrab();
    m_thumbnailFrameVisible = false;
}

void GrabPanelModel::OnImageGrabbed(int slot)
{
    if (slot < 0 || slot >= filters::Tct_Superposer::kGrabSlots || !m_dm.Superposer->GrabBusy(slot))
        return;
    if (m_imageByImage) {
        m_dm.ControlFilter->Gate.store(true);
        ++m_imageByImageFrames;
    } else {
        MakeOutputPicture(m_dm.Superposer->GrabBitmap(slot));
        (void)SaveGrabbedImage();
    }
    m_dm.Superposer->ReleaseGrab(slot);
}

QSize GrabPanelModel::ChosenRatio(QSize source) const
{
    switch (m_preferences.AspectRatio->value) {
    case 1:
        return {4, 3};
    case 2:
        return {16, 9};
    case 3:
        return source;
    default:
        return m_host.DisplayRatio();
    }
}

void GrabPanelModel::MakeOutputPicture(const QImage& grabbed)
{
    // The slot goes back to the filter as soon as this returns: work on a copy.
    const QImage copy = grabbed.convertToFormat(QImage::Format_BGR888);
    QImage source = copy;
    if (m_preferences.InternalDeinterlacer->value && !copy.isNull()) {
        source = QImage(copy.size(), QImage::Format_BGR888);
        if (!filters::DeinterlacePicture(
                filters::TopDownPicture(const_cast<std::uint8_t*>(copy.constBits()), copy.width(),
                                        copy.height(), copy.depth(), copy.bytesPerLine()),
                filters::TopDownPicture(source.bits(), source.width(), source.height(), source.depth(),
                                        source.bytesPerLine())))
            source = copy;
    }
    const QSize ratio = ChosenRatio(source.size());
    const QSize fitted = FitToRatio(source.size(), ratio.width(), ratio.height());
    m_output = QImage(fitted, QImage::Format_BGR888);
    QPainter painter(&m_output);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), fitted), source);
    painter.end();
    m_thumbnail = ThumbnailRect(fitted);
    m_thumbnailFrameVisible = true;
}

bool GrabPanelModel::SaveGrabbedImage()
{
    if (m_imageByImage || m_output.isNull())
        return false;
    const QString file = m_naming.NextImageFile();
    if (m_preferences.ConfirmerImage->value && QFile::exists(file)) {
        switch (m_prompter.Ask(ReplaceQuestion(OutputNaming::FileNamePart(file)),
                               platform::PromptButtons::YesNoAll)) {
        case platform::PromptAnswer::No:
            return false;
        case platform::PromptAnswer::All:
            m_preferences.ConfirmerImage->value = false;
            break;
        case platform::PromptAnswer::Yes:
            break;
        }
    }
    // The old picture is only replaced once it is safe in the trash.
    if (QFile::exists(file) && !platform::MoveToTrash(file)) {
        m_prompter.Inform(QStringLiteral("The image %1 could not be moved to the trash; it was kept.").arg(file));
        return false;
    }
    const bool jpeg = m_preferences.ExtensionDesImages->value == 1;
    const bool written =
        jpeg ? WriteJpeg(file, m_output, m_preferences.JpegQuality->value) : WriteBmp(file, m_output);
    if (!written) {
        m_prompter.Inform(QStringLiteral("The image %1 could not be written.").arg(file));
        return false;
    }
    CaptureRecord record = m_host.SourceTexts();
    record.capturedFrames = 1;
    record.droppedFrames = -1;
    m_files.Register(file, record);
    m_naming.AdvanceImageFile();
    return true;
}

bool GrabPanelModel::SetIntervalometer(bool on)
{
    m_countdownVisible = false;
    if (on) {
        const std::uint32_t value =
            static_cast<std::uint32_t>(std::max(0, m_preferences.ValeurIntervallometre->value));
        const IntervalUnit unit = UnitOf(m_preferences.UnitesIntervallometre->value);
        const std::optional<std::uint32_t> ticks = IntervalTicks(value, unit, m_dm.NativeVideo.FrameRate);
        if (!ticks) {
            m_prompter.Inform(IntervalRefusedMessage(value, unit));
            on = false;
        } else {
            m_dm.Superposer->StartInterval(*ticks);
            m_countdownText.clear();
            m_countdownVisible = true;
        }
    }
    if (!on)
        m_dm.Superposer->StopInterval();
    m_intervalometerOn = on;
    m_host.RefreshStatusTexts();
    return on;
}

void GrabPanelModel::SetIntervalValue(std::uint32_t value)
{
    m_preferences.ValeurIntervallometre->value =
        static_cast<std::int32_t>(std::min<std::uint32_t>(value, 999999));
}

void GrabPanelModel::SetIntervalUnit(IntervalUnit unit)
{
    m_preferences.UnitesIntervallometre->value = static_cast<std::int32_t>(unit);
}

void GrabPanelModel::BeepsClicked(bool on)
{
    m_preferences.Beeps->value = on;
}

void GrabPanelModel::OnCountdown(int secondsLeft)
{
    m_countdownText = QString::number(secondsLeft);
    if (!m_preferences.Beeps->value)
        return;
    if (const std::optional<int> beep = BeepAt(secondsLeft))
        m_host.PlayBeep(*beep);
}

void GrabPanelModel::SetVideoSourceActive(bool active)
{
    if (!active && m_intervalometerOn)
        (void)SetIntervalometer(true);
    m_videoSourceActive = active;
}

void GrabPanelModel::EnterImageByImage()
{
    m_imageByImage = true;
    m_imageByImageFrames = 0;
    m_naming.SetImageByImageRunning(true);
}

void GrabPanelModel::LeaveImageByImage()
{
    m_imageByImage = false;
    m_naming.SetImageByImageRunning(false);
}

bool GrabPanelModel::FinishImageByImage(const QString& file)
{
    if (m_imageByImageFrames > 0)
        return filters::SetAviFrameRate(file, m_preferences.Framerate->value).Ok();
    return !QFile::exists(file) || QFile::remove(file);
}

void GrabPanelModel::ImagesPerSecondLeft(const QString& text)
{
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (ok && value > 0) {
        m_preferences.Framerate->value = value;
        m_imagesPerSecondText = text;
        return;
    }
    m_prompter.Inform(ImagesPerSecondMessage());
    m_imagesPerSecondText = QStringLiteral("18,0");
    m_preferences.Framerate->value = 18.0;
}

QString GrabPanelModel::NextImageLabel() const
{
    return m_imageByImage ? QStringLiteral("Capture Image by Image to a Video") : m_naming.NextImageLabel();
}

StatusPanelText GrabPanelModel::StatusText() const
{
    return SnapshotSummary(
        m_preferences.ExtensionDesImages->value == 1, m_intervalometerOn,
        static_cast<std::uint32_t>(std::max(0, m_preferences.ValeurIntervallometre->value)),
        UnitOf(m_preferences.UnitesIntervallometre->value));
}

QString GrabPanelModel::ReplaceQuestion(const QString& fileName)
{
    return QStringLiteral("The image ") + fileName +
           QStringLiteral(
               " exists already. Do you want to replace it?\r\nIf you click on \"All\", then you will no "
               "more be prompted for confirmation");
}

QString GrabPanelModel::ImagesPerSecondMessage()
{
    return QStringLiteral("The value of \"images/second\" is not correct\r\nEnter a decimal value");
}

} // namespace camtrove::app
