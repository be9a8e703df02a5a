#include "platform/registry.h"
#include "settings/catalogue.h"
#include "settings_fixture.h"

#include <functional>

namespace camtrove::settings {
namespace {

const QString kHeader = QStringLiteral("[\\Software\\Dorn Vesk\\Camtrove]");

TUserFolders Folders()
{
    return TUserFolders{QStringLiteral("/home/u/Videos"), QStringLiteral("/home/u/Pictures/"),
                        QStringLiteral("/home/u/Documents")};
}

struct IniLineCase
{
    const char* name;
    QString line;
    std::function<void(const PreferenceCatalogue&)> check;
};

void PrintTo(const IniLineCase& c, std::ostream* os)
{
    *os << c.name;
}

class IniLineLoads : public ::testing::TestWithParam<IniLineCase>
{
};

TEST_P(IniLineLoads, AsTheWindowsBuildRead)
{
    TempProgram program;
    program.WriteIni({kHeader, GetParam().line});
    PreferenceCatalogue catalogue(program.location, Folders());
    ASSERT_TRUE(catalogue.Build());
    EXPECT_EQ(catalogue.List().storeMode, spPortable);
    GetParam().check(catalogue);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniLineLoads,
    ::testing::Values(
        IniLineCase{"UnparsableIntegerIsZero", "Volume=abc", [](auto& c) { EXPECT_EQ(c.Volume->value, 0); }},
        IniLineCase{"MissingIntegerIsDefault", "Other=1", [](auto& c) { EXPECT_EQ(c.Volume->value, 5000); }},
        IniLineCase{"BlankBeforeEqualsIsAnotherName", "Volume =7",
                    [](auto& c) { EXPECT_EQ(c.Volume->value, 5000); }},
        IniLineCase{"LetterCaseCounts", "volume=7", [](auto& c) { EXPECT_EQ(c.Volume->value, 5000); }},
        IniLineCase{"IntegerTrimmed", "Volume= 7 ", [](auto& c) { EXPECT_EQ(c.Volume->value, 7); }},
        IniLineCase{"FalseTextIsTrue", "Want Mp3=False", [](auto& c) { EXPECT_TRUE(c.WantMp3->value); }},
        IniLineCase{"EmptyBooleanIsTrue",
                    "Want Incrust=", [](auto& c) { EXPECT_TRUE(c.WantIncrust->value); }},
        IniLineCase{"OnlyZeroIsFalse", "Want Mp3= 0", [](auto& c) { EXPECT_FALSE(c.WantMp3->value); }},
        IniLineCase{"OrdinalKeepsLowByte", "Active panel=258",
                    [](auto& c) { EXPECT_EQ(c.ActivePanel->value, 2); }},
        IniLineCase{"UnparsableRealIsZero", "Framerate=fast",
                    [](auto& c) { EXPECT_EQ(c.Framerate->value, 0.0); }},
        IniLineCase{"EmptyMarkGivesDefault", "Video Racine=#@vide§#",
                    [](auto& c) { EXPECT_EQ(c.VideoRacine->value, QStringLiteral("Video")); }},
        IniLineCase{"TextUntouched", "Video Racine= a=b ",
                    [](auto& c) { EXPECT_EQ(c.VideoRacine->value, QStringLiteral(" a=b ")); }},
        IniLineCase{"TwoBlanksKey", "Preferred  wmv profile=x",
                    [](auto& c) { EXPECT_EQ(c.PreferredWmvProfile->value, QStringLiteral("x")); }},
        IniLineCase{"OneBlankKeyIsAnother", "Preferred wmv profile=x",
                    [](auto& c) { EXPECT_TRUE(c.PreferredWmvProfile->value.isEmpty()); }},
        IniLineCase{"RecordFieldByCompoundKey", "IncrustRec\\FontRec\\FontSize=40",
                    [](auto& c) {
                        EXPECT_EQ(c.IncrustRec->value.FontRec.FontSize, 40);
                        EXPECT_EQ(c.IncrustRec->value.Xpos, 914);
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

TincrustRec ChangedRecord()
{
    TincrustRec r = DefaultIncrustRec();
    r.Incrust1 = QStringLiteral("Vacances %d");
    r.Incrust2 = QString();
    r.DecalageHoraire = -0.125; // the ini form keeps 15 significant digits
    r.FontRec = TfontRecord{QStringLiteral("DejaVu Sans"), 30, 0x0000ff, true, false, true, true};
    r.Autofontsize = false;
    r.WhatIncrust = 3;
    r.Alignment = 4;
    r.BorderColor = 0x123456;
    r.Xpos = 12;
    r.Ypos = -40;
    return r;
}

class StoreRoundTrip : public ::testing::TestWithParam<TSavePreferences>
{
};

TEST_P(StoreRoundTrip, GivesBackWhatWasSaved)
{
    TempProgram program;
    {
        PreferenceCatalogue catalogue(program.location, Folders());
        ASSERT_TRUE(catalogue.Build());
        catalogue.List().storeMode = GetParam();
        catalogue.IncrustRec->value = ChangedRecord();
        catalogue.Volume->value = 300;
        catalogue.Framerate->value = 29.97;
        catalogue.VideoRacine->value = QString(); // empty: stored as the mark, loaded as the default
        catalogue.SourcesExclues->value = QStringLiteral("Cam A\r\nCam B\r\n");
        catalogue.StandardDV->value = 1;
        catalogue.MuteOn->value = false;
        catalogue.VideoInputSelect->value = -1;
        ASSERT_TRUE(catalogue.List().SaveAll());
    }
    PreferenceCatalogue again(program.location, Folders());
    ASSERT_TRUE(again.Build());
    EXPECT_EQ(again.List().storeMode, GetParam());
    EXPECT_EQ(again.IncrustRec->value, ChangedRecord());
    EXPECT_EQ(again.Volume->value, 300);
    EXPECT_EQ(again.Framerate->value, 29.97);
    EXPECT_EQ(again.VideoRacine->value, QStringLiteral("Video"));
    EXPECT_EQ(again.SourcesExclues->value, QStringLiteral("Cam A\r\nCam B\r\n"));
    EXPECT_EQ(again.StandardDV->value, 1);
    EXPECT_FALSE(again.MuteOn->value);
    EXPECT_EQ(again.VideoInputSelect->value, -1);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreRoundTrip, ::testing::Values(spRegistre, spPortable),
                         [](const auto& info) { return info.param == spRegistre ? "Registry" : "Ini"; });

TEST(ParameterList, RegistryFormsAreTheSpecifiedTypes)
{
    TempProgram program;
    PreferenceCatalogue catalogue(program.location, Folders());
    ASSERT_TRUE(catalogue.Build());
    catalogue.List().storeMode = spRegistre;
    catalogue.VideoRacine->value.clear();
    ASSERT_TRUE(catalogue.List().SaveAll());

    platform::Registry reg(program.location.registryFolder);
    ASSERT_TRUE(reg.OpenKey(kKeyPath, false));
    EXPECT_EQ(reg.ReadData(QStringLiteral("Volume"))->type, platform::REG_DWORD);
    EXPECT_EQ(reg.ReadData(QStringLiteral("Want Mp3"))->bytes, QByteArray("\1\0\0\0", 4));
    EXPECT_EQ(reg.ReadData(QStringLiteral("Framerate"))->type, platform::REG_BINARY);
    EXPECT_EQ(reg.ReadData(QStringLiteral("Framerate"))->bytes, QByteArray("\0\0\0\0\0\0\x32\x40", 8));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Video Racine")), QStringLiteral("#@vide§#"));
    EXPECT_EQ(reg.ReadData(QStringLiteral("ExeName"))->bytes.size(), program.location.exeName.size() * 2 + 2);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Signature")), QStringLiteral("Camtrove 6.2.0 en by Dorn Vesk"));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("IncrustRec\\FontRec"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("FontName")), QStringLiteral("Arial"));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("FontColor")), 16777215);

    // A value of another type falls back to its own default; a missing record subkey to the
    // whole default record.
    ASSERT_TRUE(reg.OpenKey(kKeyPath, false));
    ASSERT_TRUE(reg.WriteString(QStringLiteral("Volume"), QStringLiteral("300")));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Framerate"), 25));
    ASSERT_TRUE(reg.DeleteKey(QStringLiteral("IncrustRec")));
    PreferenceCatalogue again(program.location, Folders());
    ASSERT_TRUE(again.Build());
    EXPECT_EQ(again.Volume->value, 5000);
    EXPECT_EQ(again.Framerate->value, 18.0);
    EXPECT_EQ(again.IncrustRec->value, DefaultIncrustRec());
}

TEST(ParameterList, ModeNoneReadsDefaultsAndWritesNothing)
{
    TempProgram program;
    {
        platform::Registry reg(program.location.registryFolder);
        ASSERT_TRUE(reg.OpenKey(kKeyPath, true));
        ASSERT_TRUE(reg.WriteString(QStringLiteral("ExeName"), QStringLiteral("/elsewhere/camtrove")));
        ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Volume"), 1));
    }
    const QString registryFile = program.location.registryFolder + QStringLiteral("/current_user.reg");
    PreferenceCatalogue catalogue(program.location, Folders());
    ASSERT_TRUE(catalogue.Build());
    EXPECT_EQ(catalogue.List().storeMode, spNone);
    EXPECT_EQ(catalogue.Volume->value, 5000);
    QFile file(registryFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    catalogue.Volume->value = 9;
    ASSERT_TRUE(catalogue.List().SaveAll());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_FALSE(QFile::exists(program.IniPath()));
}

TEST(Catalogue, ComputedDefaultsComeFromTheUserFoldersAndTheProgram)
{
    TempProgram program;
    {
        platform::Registry reg(program.location.registryFolder);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dorn Vesk\\Reeltrak"), true));
        ASSERT_TRUE(reg.WriteString(QStringLiteral("ExeName"), QStringLiteral("/opt/reeltrak/reeltrak")));
    }
    PreferenceCatalogue catalogue(program.location, Folders());
    ASSERT_TRUE(catalogue.Build());
    EXPECT_EQ(catalogue.List().Count(), 74u);
    EXPECT_EQ(catalogue.VideoDirectory->value, QStringLiteral("/home/u/Videos/"));
    EXPECT_EQ(catalogue.ImageDirectory->value, QStringLiteral("/home/u/Pictures/"));
    EXPECT_EQ(catalogue.PluginsDir->value, program.location.exeDir);
    EXPECT_EQ(catalogue.Reeltrak->value, QStringLiteral("/opt/reeltrak/reeltrak"));

    TempProgram bare;
    PreferenceCatalogue noFolders(bare.location, TUserFolders{});
    ASSERT_TRUE(noFolders.Build());
    EXPECT_EQ(noFolders.VideoDirectory->value, QStringLiteral("/"));
    EXPECT_TRUE(noFolders.Reeltrak->value.isEmpty());
    platform::Registry reg(bare.location.registryFolder);
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\Software\\Dorn Vesk\\Reeltrak")));
    PreferenceCatalogue documentsOnly(bare.location,
                                      TUserFolders{{}, {}, QStringLiteral("/home/u/Documents")});
    ASSERT_TRUE(documentsOnly.Build());
    EXPECT_EQ(documentsOnly.ImageDirectory->value, QStringLiteral("/home/u/Documents/"));
}

TEST(Catalogue, PortableFoldersFollowTheCopyToItsNewPlace)
{
    TempProgram program;
    program.WriteIni({kHeader, "ExeName=/media/u/OLDKEY/camtrove/camtrove",
                      "Video Directory=/media/u/oldkey/camtrove/Videos/",
                      "Image Directory=/home/u/Pictures/"});
    PreferenceCatalogue catalogue(program.location, Folders());
    ASSERT_TRUE(catalogue.Build());
    EXPECT_EQ(catalogue.VideoDirectory->value, program.location.exeDir + QStringLiteral("Videos/"));
    EXPECT_EQ(catalogue.ImageDirectory->value, QStringLiteral("/home/u/Pictures/"));
}

TEST(Catalogue, UnreadableIniLeavesDefaults)
{
    TempProgram program;
    ASSERT_TRUE(QDir().mkpath(program.IniPath())); // a folder where the file should be
    PreferenceCatalogue catalogue(program.location, Folders());
    EXPECT_FALSE(catalogue.Build());
    EXPECT_EQ(catalogue.List().storeMode, spPortable);
    EXPECT_EQ(catalogue.Volume->value, 5000);
    catalogue.List().storeMode = spPortable;
    EXPECT_FALSE(catalogue.List().SaveAll()); // refuses to replace what it could not read
}

} // namespace
} // namespace camtrove::settings
