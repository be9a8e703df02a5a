#pragma once
// A program location inside a temporary folder, and the ini file's lines read back independently
// of the writer (UTF-16 LE bytes decoded here).

#include "settings/store_location.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace camtrove::settings {

struct TempProgram
{
    QTemporaryDir dir;
    TStoreLocation location{dir.path() + QStringLiteral("/bin/"),
                            dir.path() + QStringLiteral("/bin/camtrove"),
                            dir.path() + QStringLiteral("/config/camtrove")};

    TempProgram() { QDir().mkpath(location.exeDir); }
    [[nodiscard]] QString IniPath() const { return location.IniFilePath(kTitre); }

    void WriteIniBytes(const QByteArray& bytes) const
    {
        QFile file(IniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // Lines given as UTF-8, written as the Windows build did (UTF-16 LE, FF FE, CR LF).
    void WriteIni(const QStringList& lines) const
    {
        QByteArray bytes("\xFF\xFE", 2);
        for (const QString& line : lines) {
            const QString withBreak = line + QStringLiteral("\r\n");
            bytes.append(reinterpret_cast<const char*>(withBreak.utf16()), withBreak.size() * 2);
        }
        WriteIniBytes(bytes);
    }
    [[nodiscard]] QByteArray IniBytes() const
    {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Checks the byte layout and gives the lines.
    [[nodiscard]] QStringList IniLines() const
    {
        const QByteArray bytes = IniBytes();
        EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
        EXPECT_EQ(bytes.size() % 2, 0);
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                                (bytes.size() - 2) / 2);
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        lines.removeLast();
        for (const QString& line : lines)
            EXPECT_FALSE(line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
                << line.toStdString();
        return lines;
    }
};

} // namespace camtrove::settings
