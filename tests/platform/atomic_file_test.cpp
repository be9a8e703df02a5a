#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace camtrove::platform {
namespace {

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList OtherFiles(const QTemporaryDir& dir, const QString& keep)
{
    QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(keep);
    return names;
}

const QByteArray kOld(10000, 'o');
const QByteArray kNew(50000, 'n');

TEST(WriteFileAtomically, ReplacesTheWholeFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/store.txt"));
    ASSERT_TRUE(WriteFileAtomically(path, kOld));
    ASSERT_TRUE(WriteFileAtomically(path, kNew));
    EXPECT_EQ(FileBytes(path), kNew);
}

TEST(WriteFileAtomically, FailureHalfWayLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.txt"));
    ASSERT_TRUE(WriteFileAtomically(path, kOld));
    EXPECT_THROW((void)WriteFileAtomically(path, kNew,
                                           [](std::int64_t written) {
                                               if (written > 20000)
                                                   throw std::runtime_error("disk pulled out");
                                           }),
                 std::runtime_error);
    EXPECT_EQ(FileBytes(path), kOld);
    EXPECT_TRUE(OtherFiles(dir, QStringLiteral("store.txt")).isEmpty());
}

TEST(WriteFileAtomically, KillHalfWayLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.txt"));
    ASSERT_TRUE(WriteFileAtomically(path, kOld));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        (void)WriteFileAtomically(path, kNew, [](std::int64_t written) {
            if (written > 20000)
                raise(SIGKILL);
        });
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(FileBytes(path), kOld);
}

} // namespace
} // namespace camtrove::platform
