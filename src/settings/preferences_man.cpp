#include "settings/preferences_man.h"

namespace camtrove::settings {

void TPreferencesMan::GoToRoot()
{
    for (int guard = 0; !m_path.isEmpty() && guard < 1000; ++guard) {
        if (!CloseKey())
            m_path.clear();
    }
}

QString TPreferencesMan::ChildPath(const QString& name) const
{
    return m_path.isEmpty() ? name : m_path + QLatin1Char('\\') + name;
}

QString TPreferencesMan::ParentPath() const
{
    const qsizetype slash = m_path.lastIndexOf(QLatin1Char('\\'));
    return slash < 0 ? QString() : m_path.left(slash);
}

} // namespace camtrove::settings
