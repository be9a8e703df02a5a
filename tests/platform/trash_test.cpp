// Replaced files go to the user's trash, also when the user's data folder does not exist yet.
#include "platform/trash.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace camtrove::platform {
namespace {

TEST(Trash, MakesTheDataFolderAndKeepsTheFileInTheTrash)
{
    QTemporaryDir dir;
    const QString dataHome = dir.filePath(QStringLiteral("not-yet/data"));
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataHome.toUtf8());
    const QString file = dir.filePath(QStringLiteral("Video_0.avi"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old capture");
    }
    const bool moved = MoveToTrash(file);
    qputenv("XDG_DATA_HOME", saved);
    ASSERT_TRUE(moved);
    EXPECT_FALSE(QFile::exists(file));
    // Where Qt keeps it depends on the file system holding the file; it is never beside the
    // working folder.
    EXPECT_FALSE(QDir(QDir::currentPath()).exists(QStringLiteral("files/Video_0.avi")));
    EXPECT_TRUE(QDir(dataHome).exists()) << "the data folder was made";
}

} // namespace
} // namespace camtrove::platform
