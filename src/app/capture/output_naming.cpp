#include "app/capture/output_naming.h"

#include "settings/catalogue.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace camtrove::app {
namespace {

// The last two decimal digits, with a leading zero below 10.
QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value % 100, 2, 10, QLatin1Char('0'));
}

QString WithTrailingSeparator(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

OutputNaming::OutputNaming(settings::PreferenceCatalogue& preferences, TDateTime nameStamp)
    : m_preferences(preferences), m_nameStamp(nameStamp), m_videoFolder(preferences.VideoDirectory->value),
      m_videoRoot(preferences.VideoRacine->value), m_videoIncludeDate(preferences.VideoDate->value),
      m_imageFolder(preferences.ImageDirectory->value), m_imageRoot(preferences.ImageRacine->value),
      m_imageIncludeDate(preferences.ImageDate->value),
      m_imageType(preferences.ExtensionDesImages->value == 1 ? ImageType::Jpeg : ImageType::Bmp),
      m_videoDrive(DriveOf(m_videoFolder)), m_imageDrive(DriveOf(m_imageFolder))
{
    m_nextVideoFile = BuildVideoFileName();
    m_nextImageFile = BuildImageFileName();
}

QString OutputNaming::StampText() const
{
    const DateTimeParts at = DecodeDateTime(m_nameStamp);
    return TwoDigits(at.day) + TwoDigits(at.month) + TwoDigits(at.year) + QLatin1Char('_') +
           TwoDigits(at.hour) + TwoDigits(at.minute) + TwoDigits(at.second) + QLatin1Char('_');
}

QString OutputNaming::BuildVideoFileName()
{
    QString name = WithTrailingSeparator(m_videoFolder) + m_videoRoot + QLatin1Char('_');
    if (m_videoIncludeDate)
        name += StampText();
    name += QString::number(m_videoCounter) + m_videoExtension;
    ++m_videoCounter;
    m_nextVideoLabel = FileNamePart(name);
    return name;
}

QString OutputNaming::BuildImageFileName()
{
    QString name = WithTrailingSeparator(m_imageFolder) + m_imageRoot + QLatin1Char('_');
    if (m_imageIncludeDate)
        name += StampText();
    name += (QStringLiteral("00000") + QString::number(m_imageCounter)).right(5);
    name += m_imageType == ImageType::Jpeg ? QStringLiteral(".jpg") : QStringLiteral(".bmp");
    ++m_imageCounter;
    if (!m_imageByImageRunning)
        m_nextImageLabel = FileNamePart(name);
    return name;
}

void OutputNaming::ChangeVideoExtension(const QString& extension)
{
    m_videoExtension = extension;
    const qsizetype nameStart = m_nextVideoFile.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = m_nextVideoFile.lastIndexOf(QLatin1Char('.'));
    if (dot >= nameStart)
        m_nextVideoFile.truncate(dot);
    m_nextVideoFile += extension;
    m_nextVideoLabel = FileNamePart(m_nextVideoFile);
}

void OutputNaming::RebuildVideoFile()
{
    --m_videoCounter;
    m_nextVideoFile = BuildVideoFileName();
}

void OutputNaming::RebuildImageFile()
{
    --m_imageCounter;
    m_nextImageFile = BuildImageFileName();
}

void OutputNaming::VideoFolderChanged(const QString& folder)
{
    m_videoFolder = folder;
    m_preferences.VideoDirectory->value = folder;
    RebuildVideoFile();
    m_videoDrive = DriveOf(folder);
}

void OutputNaming::VideoRootNameLeft(const QString& root)
{
    m_videoRoot = root;
    RebuildVideoFile();
}

void OutputNaming::VideoIncludeDateClicked(bool include)
{
    m_videoIncludeDate = include;
    RebuildVideoFile();
}

void OutputNaming::ImageFolderChanged(const QString& folder)
{
    m_imageFolder = folder;
    m_preferences.ImageDirectory->value = folder;
    m_imageDrive = DriveOf(folder);
    RebuildImageFile();
}

void OutputNaming::ImageRootNameLeft(const QString& root)
{
    m_imageRoot = root;
    RebuildImageFile();
}

void OutputNaming::ImageIncludeDateClicked(bool include)
{
    m_imageIncludeDate = include;
    RebuildImageFile();
}

void OutputNaming::ImageTypeChanged(ImageType type)
{
    m_imageType = type;
    m_preferences.ExtensionDesImages->value = static_cast<std::int32_t>(type);
    RebuildImageFile();
}

void OutputNaming::ReeltrakChanged(const QString& path)
{
    m_preferences.Reeltrak->value = path;
}

std::optional<QString> OutputNaming::PluginFolderChosen(const QString& folder)
{
    if (folder == m_preferences.PluginsDir->value)
        return std::nullopt;
    m_preferences.PluginsDir->value = folder;
    return QStringLiteral("The plug-ins found in the folder ") + folder + QStringLiteral("\r\n") +
           QStringLiteral("will only be activated on next start of ") + QStringLiteral("Camtrove") +
           QStringLiteral("\r\n\r\n") + QStringLiteral("You should restart it now.");
}

QString OutputNaming::NextVideoLabelHint()
{
    return QStringLiteral(
        "Indicates the name of the next file to be captured,\r\nor the current one if a capture is "
        "ongoing.");
}

void OutputNaming::StoreFields() const
{
    m_preferences.VideoDirectory->value = m_videoFolder;
    m_preferences.VideoRacine->value = m_videoRoot;
    m_preferences.VideoDate->value = m_videoIncludeDate;
    m_preferences.ImageDirectory->value = m_imageFolder;
    m_preferences.ImageRacine->value = m_imageRoot;
    m_preferences.ImageDate->value = m_imageIncludeDate;
    m_preferences.ExtensionDesImages->value = static_cast<std::int32_t>(m_imageType);
}

DriveSpace OutputNaming::DriveOf(const QString& folder)
{
    // The folder may not exist yet (a capture start creates it): its nearest existing parent
    // lies on the same file system.
    QString existing = folder;
    while (!existing.isEmpty() && !QFileInfo::exists(existing))
        existing = QFileInfo(existing).path() == existing ? QString() : QFileInfo(existing).path();
    const QStorageInfo storage(existing);
    if (existing.isEmpty() || !storage.isValid())
        return {};
    constexpr std::int64_t kMegabyte = 1024 * 1024;
    return {storage.rootPath(), storage.bytesTotal() / kMegabyte,
            (storage.bytesTotal() - storage.bytesFree()) / kMegabyte};
}

QString OutputNaming::FileNamePart(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace camtrove::app
