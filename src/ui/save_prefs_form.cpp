#include "ui/save_prefs_form.h"

#include "ui/link_edit.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace camtrove::ui {

namespace {

const QString kText = QStringLiteral(
    "<br><size 10><i>Do you want to save your preferences and find them again on next start?<br><br>"
    "Click on your choice:</i><br><br>* either to save them in the registry (normal mode).<br>"
    "* either to save them in an ini-file (portable mode).<br>* either not to save them. In the last "
    "case, all preferences will be lost, and the default values will be loaded on the next "
    "start.<br></size>");

const QString kNormalHint =
    QStringLiteral("Save the Preferences in the registry.\r\nIf an ini file existed, it will be deleted.");
const QString kPortableHint =
    QStringLiteral("Saves the preferences to an ini file.\r\nDeletes the preferences from the registry.");
const QString kAucunHint = QStringLiteral("Exit without saving the preferences.\r\nIf they existed in an "
                                          "ini-file or in the registry,\r\nthey will be deleted.");

// Qt tooltips break lines at a line feed alone.
QString AsToolTip(QString hint)
{
    return hint.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

TSavePrefsForm::TSavePrefsForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SavePrefsForm"));
    setModal(true);

    m_linkEdit1 = new TLinkEdit(this);
    m_linkEdit1->setObjectName(QStringLiteral("LinkEdit1"));
    m_linkEdit1->setFrameShape(QFrame::NoFrame);
    m_linkEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_linkEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_linkEdit1->viewport()->setAutoFillBackground(false);
    m_linkEdit1->SetRichText(kText);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_normalBtn = AddModeButton("NormalBtn", QStringLiteral("Normal"), kNormalHint, settings::spRegistre);
    m_portableBtn =
        AddModeButton("PortableBtn", QStringLiteral("Portable"), kPortableHint, settings::spPortable);
    m_aucunBtn = AddModeButton("AucunBtn", QStringLiteral("None"), kAucunHint, settings::spNone);
    buttons->addWidget(m_normalBtn);
    buttons->addWidget(m_portableBtn);
    buttons->addWidget(m_aucunBtn);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_linkEdit1);
    layout->addLayout(buttons);
    setFixedSize(440, 280);
}

QPushButton* TSavePrefsForm::AddModeButton(const char* objectName, const QString& caption,
                                           const QString& hint, settings::TSavePreferences mode)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1StringView(objectName));
    button->setToolTip(AsToolTip(hint));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, mode] { Choose(mode); });
    return button;
}

void TSavePrefsForm::Choose(settings::TSavePreferences mode)
{
    m_mode = mode;
    m_answered = true;
    accept();
}

std::optional<settings::TSavePreferences> TSavePrefsForm::AskSaveMode(const QString& caption)
{
    setWindowTitle(caption);
    m_answered = false;
    m_mode = settings::spNone;
    exec();
    if (!m_answered)
        return std::nullopt;
    return m_mode;
}

} // namespace camtrove::ui
