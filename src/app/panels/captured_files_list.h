#pragma once
// The List panel's model: every file written during the run, in the chosen order, with the
// count text, the Properties text and the hand-over to Reeltrak. Not stored: a run starts empty.
// UI thread only.

#include "app/panels/data_fichier.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace camtrove::platform {
class Prompter;
class Shell;
} // namespace camtrove::platform

namespace camtrove::app {

enum class SortOrder
{
    Alphabetical,
    Size,
    Date,
    Extension
};

// Its key name, phrase and menu text.
struct SortOrderTexts
{
    QString key;
    QString phrase;
    QString menuText;
};
[[nodiscard]] SortOrderTexts TextsOf(SortOrder order);

// What a capture or a snapshot knew when its file was closed.
struct CaptureRecord
{
    QString videoSource;
    QString audioSource;
    QString audioEntry;
    QString captureFormat;
    std::int32_t droppedFrames = -1;
    std::int32_t capturedFrames = -1;
};

class CapturedFilesList
{
public:
    CapturedFilesList(platform::Shell& shell, platform::Prompter& prompter);

    // Appends the file and sorts the list again.
    void Register(const QString& path, const CaptureRecord& record);

    [[nodiscard]] const std::vector<TDataFichier>& Items() const { return m_items; }
    [[nodiscard]] SortOrder Order() const { return m_order; }
    void SetOrder(SortOrder order);
    // The sort key of an item in an order; items are kept in ascending key order.
    [[nodiscard]] static QString SortKey(const TDataFichier& item, SortOrder order);

    // The widget reports the selection; the current item is the one under it.
    void SetSelection(std::vector<int> selected, int current);
    [[nodiscard]] const std::vector<int>& Selection() const { return m_selected; }
    // The paths of the selected items in list order, as a drag carries them.
    [[nodiscard]] QStringList SelectedPaths() const;

    [[nodiscard]] QString CountText() const;
    [[nodiscard]] bool ListEnabled() const { return !m_items.empty(); }

    // The message of "Properties", nothing when no item is under the selection.
    [[nodiscard]] std::optional<QString> PropertiesText() const;
    static QString PropertiesText(const TDataFichier& item);
    void ShowProperties();
    void OpenParentFolder();
    // "Open in the associated application" and a double click.
    void OpenCurrent();
    // "Open in Reeltrak": the current item, when the program named by "Reeltrak" exists.
    void OpenCurrentInReeltrak(const QString& reeltrak);
    // acReeltrak: every listed file that still exists, or the message that the program is missing.
    void LaunchReeltrak(const QString& reeltrak);
    // acReeltrak's parameters as one text: each existing file quoted, separated by blanks.
    [[nodiscard]] QString ReeltrakParameters() const;

    [[nodiscard]] static QString ReeltrakMissingMessage();

private:
    [[nodiscard]] const TDataFichier* Current() const;
    void Sort();

    platform::Shell& m_shell;
    platform::Prompter& m_prompter;
    std::vector<TDataFichier> m_items;
    SortOrder m_order = SortOrder::Alphabetical;
    std::vector<int> m_selected;
    int m_current = -1;
};

} // namespace camtrove::app
