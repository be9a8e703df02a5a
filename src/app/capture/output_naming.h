#pragma once
// The names of the next capture file and of the next snapshot, built ahead from the Folders
// panel's fields, the capture format's extension and two counters that only grow during a run,
// so the user sees them before anything is written. Names are built without looking at the disk:
// an existing file is met by the questions at capture start and at snapshot time. UI thread only.

#include "common/datetime.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace camtrove::settings {
class PreferenceCatalogue;
}

namespace camtrove::app {

// The file system holding a folder, for the free-space gauges.
struct DriveSpace
{
    QString mountPoint; // empty when the folder's file system cannot be read
    std::int64_t totalMegabytes = 0;
    std::int64_t usedMegabytes = 0;
};

enum class ImageType : std::uint8_t
{
    Bmp = 0,
    Jpeg = 1
};

class OutputNaming
{
public:
    // Takes the Folders panel's fields from the preferences. nameStamp is the moment the
    // preferences were applied: every name of the run carries it.
    OutputNaming(settings::PreferenceCatalogue& preferences, TDateTime nameStamp);

    // Builds the next capture's full path and advances VideoCounter.
    QString BuildVideoFileName();
    // Builds the next snapshot's full path and advances ImageCounter.
    QString BuildImageFileName();

    // A finished capture or a saved snapshot takes the next number.
    void AdvanceVideoFile() { m_nextVideoFile = BuildVideoFileName(); }
    void AdvanceImageFile() { m_nextImageFile = BuildImageFileName(); }

    // The capture format changed: NextVideoFile keeps its number and takes the extension
    // (".avi", ".wmv" ...), which the names built later carry too.
    void ChangeVideoExtension(const QString& extension);

    // The Folders panel's handlers. Each rebuilds the name it affects without consuming a number.
    void VideoFolderChanged(const QString& folder);
    void VideoRootNameLeft(const QString& root);
    void VideoIncludeDateClicked(bool include);
    void ImageFolderChanged(const QString& folder);
    void ImageRootNameLeft(const QString& root);
    void ImageIncludeDateClicked(bool include);
    void ImageTypeChanged(ImageType type);
    void ReeltrakChanged(const QString& path);
    // The message to show when the chosen plug-in folder differs from the stored one.
    [[nodiscard]] std::optional<QString> PluginFolderChosen(const QString& folder);

    // While an image-by-image capture runs its frames are not snapshots: the image labels keep
    // the next snapshot's name.
    void SetImageByImageRunning(bool running) { m_imageByImageRunning = running; }

    [[nodiscard]] const QString& NextVideoFile() const { return m_nextVideoFile; }
    [[nodiscard]] const QString& NextImageFile() const { return m_nextImageFile; }
    // The file-name parts the panels' next-file labels show.
    [[nodiscard]] const QString& NextVideoLabel() const { return m_nextVideoLabel; }
    [[nodiscard]] const QString& NextImageLabel() const { return m_nextImageLabel; }
    [[nodiscard]] static QString NextVideoLabelHint();

    [[nodiscard]] const QString& VideoFolder() const { return m_videoFolder; }
    [[nodiscard]] const QString& VideoRoot() const { return m_videoRoot; }
    [[nodiscard]] bool VideoIncludeDate() const { return m_videoIncludeDate; }
    [[nodiscard]] const QString& ImageFolder() const { return m_imageFolder; }
    [[nodiscard]] const QString& ImageRoot() const { return m_imageRoot; }
    [[nodiscard]] bool ImageIncludeDate() const { return m_imageIncludeDate; }
    [[nodiscard]] ImageType Images() const { return m_imageType; }
    [[nodiscard]] bool JpegQualityVisible() const { return m_imageType == ImageType::Jpeg; }
    [[nodiscard]] std::int32_t VideoCounter() const { return m_videoCounter; }
    [[nodiscard]] std::int32_t ImageCounter() const { return m_imageCounter; }
    [[nodiscard]] const DriveSpace& VideoDrive() const { return m_videoDrive; }
    [[nodiscard]] const DriveSpace& ImageDrive() const { return m_imageDrive; }

    // The fields go back to the preferences when these are saved.
    void StoreFields() const;

    [[nodiscard]] static DriveSpace DriveOf(const QString& folder);
    // The part after the last "/".
    [[nodiscard]] static QString FileNamePart(const QString& path);

private:
    void RebuildVideoFile();
    void RebuildImageFile();
    [[nodiscard]] QString StampText() const;

    settings::PreferenceCatalogue& m_preferences;
    TDateTime m_nameStamp;
    QString m_videoFolder;
    QString m_videoRoot;
    bool m_videoIncludeDate;
    QString m_imageFolder;
    QString m_imageRoot;
    bool m_imageIncludeDate;
    ImageType m_imageType;
    QString m_videoExtension = QStringLiteral(".avi");
    std::int32_t m_videoCounter = 0;
    std::int32_t m_imageCounter = 0;
    bool m_imageByImageRunning = false;
    QString m_nextVideoFile;
    QString m_nextImageFile;
    QString m_nextVideoLabel;
    QString m_nextImageLabel;
    DriveSpace m_videoDrive;
    DriveSpace m_imageDrive;
};

} // namespace camtrove::app
