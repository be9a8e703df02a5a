// camtrove-cli prefs, run as a program against a temporary configuration folder and program folder.

#include "cli_runner.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The catalogue in table order, records flattened as the ini file and `prefs show` give them.
const QStringList kCatalogueKeys = {
    "Volume",
    "Standard DV",
    "Profile wmv",
    "FrequenceDV",
    "RatioDV",
    "Ratio DivX",
    "Correction Sync",
    "Framerate",
    "IncrustRec\\Incrust1",
    "IncrustRec\\Incrust2",
    "IncrustRec\\FormatDate1",
    "IncrustRec\\FormatDate2",
    "IncrustRec\\Decalage Horaire",
    "IncrustRec\\FontRec\\FontName",
    "IncrustRec\\FontRec\\FontSize",
    "IncrustRec\\FontRec\\FontColor",
    "IncrustRec\\FontRec\\FontBold",
    "IncrustRec\\FontRec\\FontItalic",
    "IncrustRec\\FontRec\\FontUnderline",
    "IncrustRec\\FontRec\\FontStrikeOut",
    "IncrustRec\\Autofontsize",
    "IncrustRec\\BorderSize",
    "IncrustRec\\What Incrust",
    "IncrustRec\\Alignment",
    "IncrustRec\\BorderColor",
    "IncrustRec\\Xpos",
    "IncrustRec\\Ypos",
    "Durée Incruster",
    "When Incrust",
    "No Datecode",
    "Time difference",
    "Décalage avancé",
    "Extension des images",
    "Jpeg quality",
    "Version wmv",
    "Valeur Intervallomètre",
    "Unités Intervallomètre",
    "Active panel",
    "Aspect ratio",
    "WideScreen",
    "Plugins Dir",
    "Video Directory",
    "Video Racine",
    "Image Directory",
    "Image Racine",
    "Reeltrak",
    "Source video",
    "Audio source",
    "Capture Format",
    "Audio Type",
    "Sound Card Entry",
    "Profil Windows media",
    "Preferred  wmv profile",
    "Default Profile",
    "Divx favori",
    "Want Mp3",
    "Frequence DV native",
    "Garder Format DV",
    "Demi Taille",
    "Notifier",
    "Internal Deinterlacer",
    "EcranGauche",
    "Preview Locked",
    "Activer Superposition",
    "Want Incrust",
    "Want vert Flip",
    "Want Horz flip",
    "Want Widescreen",
    "Want video source",
    "Want audio source",
    "Want Format capture",
    "Raccourcis Sort",
    "Fullscreen On",
    "Reduced on",
    "Mute On",
    "Stopper camera DV 1 en quittant",
    "Stopper camera DV 2 en quittant",
    "Video Date",
    "Image date",
    "Show Video Pilot DV",
    "Show Audio Pilot DV",
    "Save preferences when quit",
    "Confirmer Image",
    "Confirmer Video",
    "Mpeg2 Ratio Normal",
    "scn",
    "DV demi si DivX",
    "Beeps",
    "Sources Exclues",
    "Video Input Select",
    "Freeze Preview",
    "Freeze Capture",
};

class PrefsCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(ExeDir()));
        ASSERT_EQ(kCatalogueKeys.size(), 74 - 1 + 19); // the inlay record is 19 values
    }

    QString ExeDir() const { return m_dir.filePath(QStringLiteral("portable")); }
    QString IniPath() const { return ExeDir() + QStringLiteral("/Camtrove.ini"); }
    QString RegistryFile() const
    {
        return m_dir.filePath(QStringLiteral("config/camtrove/current_user.reg"));
    }

    // Runs the command; gives its standard output lines, checks its exit status.
    QStringList Prefs(QStringList args, int expectedStatus = 0)
    {
        args.prepend(QStringLiteral("prefs"));
        args << QStringLiteral("--exe-dir") << ExeDir();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        const camtrove::clitest::CliRun run = camtrove::clitest::RunCli(args, env);
        EXPECT_EQ(run.exitCode, expectedStatus) << run.err.toStdString();
        QStringList lines = run.out.split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.back().isEmpty())
            lines.removeLast();
        return lines;
    }

    // The file's lines after checking the mark, the code units and the line ends.
    QStringList IniLines() const
    {
        QFile file(IniPath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
        EXPECT_EQ(bytes.size() % 2, 0);
        QString text;
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2)
            text += QChar(char16_t(static_cast<unsigned char>(bytes[i]) |
                                   (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        EXPECT_EQ(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));
        EXPECT_EQ(text.count(QLatin1Char('\r')), text.count(QStringLiteral("\r\n")));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        lines.removeLast();
        return lines;
    }

    static QStringList Names(const QStringList& lines)
    {
        QStringList names;
        for (const QString& line : lines)
            names << line.left(line.indexOf(QLatin1Char('=')));
        return names;
    }

    QTemporaryDir m_dir;
};

TEST_F(PrefsCommand, PortableSaveWritesTheSpecifiedFileAndShowReadsItBack)
{
    const QStringList defaults = Prefs({QStringLiteral("show")});
    ASSERT_FALSE(defaults.isEmpty());
    EXPECT_EQ(defaults.front(), QStringLiteral("none"));
    EXPECT_EQ(Names(defaults.mid(1)), kCatalogueKeys);

    Prefs({QStringLiteral("save"), QStringLiteral("--store"), QStringLiteral("portable")});
    const QStringList lines = IniLines();
    ASSERT_EQ(lines.size(), 4 + 4 + kCatalogueKeys.size());
    EXPECT_EQ(lines[0], QStringLiteral("[]"));
    EXPECT_EQ(Names(lines.mid(1, 3)), (QStringList{"Version", "Last saving", "ExeName"}));
    EXPECT_EQ(lines[1], QStringLiteral("Version=Camtrove 6.2.0 en by  Dorn Vesk"));
    EXPECT_EQ(lines[4], QStringLiteral("[\\Software\\Dorn Vesk\\Camtrove]"));
    EXPECT_EQ(Names(lines.mid(5, 3)), (QStringList{"Signature", "DerniereSauvegarde", "ExeName"}));
    EXPECT_EQ(lines[5], QStringLiteral("Signature=Camtrove 6.2.0 en by Dorn Vesk"));
    EXPECT_EQ(lines[3].mid(8), lines[7].mid(8)); // both writers give the same executable
    EXPECT_EQ(Names(lines.mid(8)), kCatalogueKeys);
    EXPECT_TRUE(lines.contains(QStringLiteral("Video Racine=Video")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Audio Type=#@vide§#")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Plugins Dir=") + ExeDir() + QLatin1Char('/')));

    const QStringList shown = Prefs({QStringLiteral("show")});
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.front(), QStringLiteral("portable"));
    EXPECT_EQ(shown.mid(1), defaults.mid(1));
}

TEST_F(PrefsCommand, ShowGivesBackEditedValues)
{
    Prefs({QStringLiteral("save"), QStringLiteral("--store"), QStringLiteral("portable")});
    QStringList lines = IniLines();
    const auto set = [&](const QString& key, const QString& value) {
        const qsizetype at = lines.indexOf(QRegularExpression(
            QStringLiteral("^") + QRegularExpression::escape(key) + QStringLiteral("=.*")));
        ASSERT_GE(at, 0) << key.toStdString();
        lines[at] = key + QLatin1Char('=') + value;
    };
    set(QStringLiteral("Volume"), QStringLiteral("abc"));
    set(QStringLiteral("Want Mp3"), QStringLiteral("False"));
    set(QStringLiteral("Active panel"), QStringLiteral("258"));
    set(QStringLiteral("Framerate"), QStringLiteral("29.97"));
    set(QStringLiteral("IncrustRec\\Xpos"), QStringLiteral("-3"));
    {
        QFile file(IniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("\xFEFF")
                       .append(lines.join(QStringLiteral("\r\n")))
                       .toUtf8()); // UTF-8 with a mark
    }
    const QStringList shown = Prefs({QStringLiteral("show")});
    EXPECT_TRUE(shown.contains(QStringLiteral("Volume=0")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Want Mp3=1")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Active panel=2")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Framerate=29.97")));
    EXPECT_TRUE(shown.contains(QStringLiteral("IncrustRec\\Xpos=-3")));
}

TEST_F(PrefsCommand, RegistrySaveDeletesTheIniFileAndResetDeletesBoth)
{
    Prefs({QStringLiteral("save"), QStringLiteral("--store"), QStringLiteral("portable")});
    Prefs({QStringLiteral("save"), QStringLiteral("--store"), QStringLiteral("registry")});
    EXPECT_FALSE(QFile::exists(IniPath()));
    EXPECT_TRUE(QFile::exists(RegistryFile()));
    QStringList shown = Prefs({QStringLiteral("show")});
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.front(), QStringLiteral("registry"));
    EXPECT_EQ(Names(shown.mid(1)), kCatalogueKeys);

    Prefs({QStringLiteral("reset")});
    EXPECT_FALSE(QFile::exists(IniPath()));
    shown = Prefs({QStringLiteral("show")});
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.front(), QStringLiteral("none"));
    QFile registry(RegistryFile());
    ASSERT_TRUE(registry.open(QIODevice::ReadOnly));
    EXPECT_FALSE(registry.readAll().contains("Camtrove]"));
}

TEST_F(PrefsCommand, RefusesBadArguments)
{
    Prefs({QStringLiteral("save")}, 2);
    Prefs({QStringLiteral("save"), QStringLiteral("--store"), QStringLiteral("usb")}, 2);
    Prefs({QStringLiteral("print")}, 2);
    EXPECT_FALSE(QFile::exists(IniPath()));
}

} // namespace
