#include "app/panels/captured_files_list.h"

#include "platform/prompter.h"
#include "platform/shell.h"

#include <QFileInfo>

#include <algorithm>

namespace camtrove::app {

SortOrderTexts TextsOf(SortOrder order)
{
    switch (order) {
    case SortOrder::Size:
        return {QStringLiteral("size"), QStringLiteral("by size of file"), QStringLiteral("Size")};
    case SortOrder::Date:
        return {QStringLiteral("modify"), QStringLiteral("by date of file"), QStringLiteral("Date")};
    case SortOrder::Extension:
        return {QStringLiteral("extension"), QStringLiteral("by extension"), QStringLiteral("extension")};
    case SortOrder::Alphabetical:
        break;
    }
    return {QStringLiteral("alpha"), QStringLiteral("in alphabetical order"),
            QStringLiteral("Alphabetical order")};
}

CapturedFilesList::CapturedFilesList(platform::Shell& shell, platform::Prompter& prompter)
    : m_shell(shell), m_prompter(prompter)
{
}

void CapturedFilesList::Register(const QString& path, const CaptureRecord& record)
{
    TDataFichier item = TDataFichier::FromFile(path);
    item.videoSource = record.videoSource;
    item.audioSource = record.audioSource;
    item.audioEntry = record.audioEntry;
    item.captureFormat = record.captureFormat;
    item.droppedFrames = record.droppedFrames;
    item.capturedFrames = record.capturedFrames;
    m_items.push_back(std::move(item));
    Sort();
}

void CapturedFilesList::SetOrder(SortOrder order)
{
    m_order = order;
    Sort();
}

QString CapturedFilesList::SortKey(const TDataFichier& item, SortOrder order)
{
    const QString path = item.path.toLower();
    switch (order) {
    case SortOrder::Size:
        // Fixed-width hexadecimal halves compare as text in the order of the sizes.
        return QStringLiteral("%1%2")
                   .arg(item.size >> 32, 16, 16, QLatin1Char('0'))
                   .arg(item.size & 0xFFFFFFFFu, 16, 16, QLatin1Char('0')) +
               path;
    case SortOrder::Date:
        return FormatDateTime(QStringLiteral("yyyymmddhhnnss"), item.lastWriteTime) + path;
    case SortOrder::Extension:
        return item.extension.toLower() + path;
    case SortOrder::Alphabetical:
        break;
    }
    return item.name.toLower() + item.path;
}

void CapturedFilesList::Sort()
{
    // The selection names items by position: it does not survive a new order.
    m_selected.clear();
    m_current = -1;
    std::stable_sort(m_items.begin(), m_items.end(), [this](const TDataFichier& a, const TDataFichier& b) {
        return SortKey(a, m_order) < SortKey(b, m_order);
    });
}

void CapturedFilesList::SetSelection(std::vector<int> selected, int current)
{
    std::erase_if(selected, [this](int i) { return i < 0 || i >= static_cast<int>(m_items.size()); });
    std::sort(selected.begin(), selected.end());
    m_selected = std::move(selected);
    m_current = current >= 0 && current < static_cast<int>(m_items.size()) ? current : -1;
}

QStringList CapturedFilesList::SelectedPaths() const
{
    QStringList paths;
    for (int i : m_selected)
        paths << m_items[static_cast<std::size_t>(i)].path;
    return paths;
}

QString CapturedFilesList::CountText() const
{
    return QString::number(m_items.size()) + QStringLiteral(" files sorted ") + TextsOf(m_order).phrase;
}

const TDataFichier* CapturedFilesList::Current() const
{
    if (m_current < 0 || m_selected.empty())
        return nullptr;
    return &m_items[static_cast<std::size_t>(m_current)];
}

QString CapturedFilesList::PropertiesText(const TDataFichier& item)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Start of Capture: ") +
                   FormatDateTime(QStringLiteral("ddddd tt"), item.creationTime) + crlf +
                   QStringLiteral("End of Capture: ") +
                   FormatDateTime(QStringLiteral("ddddd tt"), item.lastWriteTime) + crlf +
                   QStringLiteral("Size of File: ") + QString::number(item.size) + crlf + crlf;
    if (item.droppedFrames < 0 && item.capturedFrames < 0) {
        text += QStringLiteral("No data about dropped/captured frames") + crlf;
    } else {
        if (item.capturedFrames >= 0)
            text += QStringLiteral("Captured Frames: ") + QString::number(item.capturedFrames) + crlf;
        if (item.droppedFrames >= 0)
            text += QStringLiteral("Dropped Frames: ") + QString::number(item.droppedFrames) + crlf;
    }
    text += crlf;
    text += QStringLiteral("Video Source: ") + item.videoSource + crlf + QStringLiteral("Audio Source: ") +
            item.audioSource + crlf + QStringLiteral("Audio Entry: ") + item.audioEntry + crlf +
            QStringLiteral("Capture Format: ") + item.captureFormat + crlf + crlf;
    return text;
}

std::optional<QString> CapturedFilesList::PropertiesText() const
{
    const TDataFichier* item = Current();
    if (!item)
        return std::nullopt;
    return PropertiesText(*item);
}

void CapturedFilesList::ShowProperties()
{
    if (const auto text = PropertiesText())
        m_prompter.Inform(*text);
}

void CapturedFilesList::OpenParentFolder()
{
    if (const TDataFichier* item = Current())
        (void)m_shell.ShowInFolder(item->path);
}

void CapturedFilesList::OpenCurrent()
{
    if (const TDataFichier* item = Current())
        (void)m_shell.Open(item->path);
}

void CapturedFilesList::OpenCurrentInReeltrak(const QString& reeltrak)
{
    const TDataFichier* item = Current();
    if (item && QFileInfo(reeltrak).isFile())
        (void)m_shell.Start(reeltrak, {item->path});
}

QString CapturedFilesList::ReeltrakParameters() const
{
    QString parameters;
    for (const TDataFichier& item : m_items)
        if (QFileInfo::exists(item.path))
            parameters += QStringLiteral(" \"") + item.path + QLatin1Char('"');
    return parameters.mid(1);
}

void CapturedFilesList::LaunchReeltrak(const QString& reeltrak)
{
    if (!QFileInfo(reeltrak).isFile()) {
        m_prompter.Inform(ReeltrakMissingMessage());
        return;
    }
    // The files go as separate arguments: no quoting to undo, whatever their names hold.
    QStringList files;
    for (const TDataFichier& item : m_items)
        if (QFileInfo::exists(item.path))
            files << item.path;
    if (!files.isEmpty())
        (void)m_shell.Start(reeltrak, files);
}

QString CapturedFilesList::ReeltrakMissingMessage()
{
    return QStringLiteral(
        "Reeltrak by Dorn Vesk has not been found on this computer.\r\nIf it is present, please "
        "indicate its name and path in the Folders panel (ALT+D).");
}

} // namespace camtrove::app
