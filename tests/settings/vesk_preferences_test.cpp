#include "platform/registry.h"
#include "settings/catalogue.h"
#include "settings/ini_preferences_man.h"
#include "settings/reg_preferences_man.h"
#include "settings/vesk_preferences.h"
#include "settings_fixture.h"

#include <optional>
#include <stdexcept>

namespace camtrove::settings {
namespace {

class ScriptedPrompt : public SaveModePrompt
{
public:
    explicit ScriptedPrompt(std::optional<TSavePreferences> answer) : m_answer(answer) {}
    std::optional<TSavePreferences> AskSaveMode(const QString& caption) override
    {
        captions << caption;
        return m_answer;
    }
    QStringList captions;

private:
    std::optional<TSavePreferences> m_answer;
};

// The main window's side of the start and the quit, as the application wires it.
struct AppRun
{
    explicit AppRun(const TStoreLocation& location)
        : catalogue(location, TUserFolders{QStringLiteral("/v"), QStringLiteral("/p"), QStringLiteral("/d")}),
          vesk(location)
    {
        vesk.version = QStringLiteral("Camtrove 6.2.0 en by  Dorn Vesk");
        vesk.OnChangeMode = [this](TSavePreferences mode) { catalogue.List().storeMode = mode; };
        vesk.OnSavePrefs = [this](TVeskPreferences&) {
            if (catalogue.List().storeMode != spNone)
                saved = catalogue.List().SaveAll();
        };
        vesk.FirstShow([this] {
            (void)catalogue.Build();
            vesk.SetMode(catalogue.List().storeMode); // the settings panel's group
        });
    }
    PreferenceCatalogue catalogue;
    TVeskPreferences vesk;
    bool saved = false;
};

bool CamtroveKeyExists(const TStoreLocation& location)
{
    platform::Registry reg(location.registryFolder);
    return reg.KeyExists(kKeyPath);
}

TEST(VeskPreferences, FirstStartAsksAtQuitAndNoneWritesNothing)
{
    TempProgram program;
    {
        AppRun run(program.location);
        EXPECT_EQ(run.vesk.Mode(), spNone);
        EXPECT_EQ(run.catalogue.Volume->value, 5000);

        ScriptedPrompt dismissed(std::nullopt);
        EXPECT_FALSE(run.vesk.CloseQuery(dismissed));
        EXPECT_TRUE(run.vesk.Hooked());
        ScriptedPrompt none(spNone);
        EXPECT_TRUE(run.vesk.CloseQuery(none));
        EXPECT_EQ(none.captions, QStringList{"Saving the preferences of Camtrove"});
        EXPECT_FALSE(run.vesk.Hooked());
    }
    EXPECT_FALSE(QFile::exists(program.IniPath()));
    EXPECT_FALSE(CamtroveKeyExists(program.location));
}

TEST(VeskPreferences, OwnerRefusingTheCloseStopsTheQuit)
{
    TempProgram program;
    AppRun run(program.location);
    ScriptedPrompt prompt(spPortable);
    EXPECT_FALSE(run.vesk.CloseQuery(prompt, [] { return false; }));
    EXPECT_TRUE(prompt.captions.isEmpty());
}

TEST(VeskPreferences, PortableAnswerWritesBothSectionsAndARestartLoadsThem)
{
    TempProgram program;
    {
        AppRun run(program.location);
        run.catalogue.Volume->value = 1200;
        EXPECT_FALSE(run.vesk.WriteRect(QStringLiteral("FormSave"), TRect{1, 2, 3, 4})); // none: not stored
        ScriptedPrompt portable(spPortable);
        ASSERT_TRUE(run.vesk.CloseQuery(portable));
        EXPECT_TRUE(run.saved);
    }
    const QStringList lines = program.IniLines();
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[0], QStringLiteral("[]"));
    EXPECT_EQ(lines[1], QStringLiteral("Version=Camtrove 6.2.0 en by  Dorn Vesk"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Last saving=")));
    EXPECT_EQ(lines[3], QStringLiteral("ExeName=") + program.location.exeName);
    EXPECT_EQ(lines[4], QStringLiteral("[\\Software\\Dorn Vesk\\Camtrove]"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Volume=1200")));

    AppRun restart(program.location);
    EXPECT_EQ(restart.vesk.Mode(), spPortable);
    EXPECT_EQ(restart.catalogue.Volume->value, 1200);
    EXPECT_EQ(restart.vesk.ReadString(QStringLiteral("ExeName"), QString()), program.location.exeName);
}

TEST(VeskPreferences, IniFilePresentDeletesTheRegistryStoreAtStart)
{
    TempProgram program;
    {
        AppRun run(program.location);
        run.vesk.SetMode(spRegistre);
        ScriptedPrompt unused(std::nullopt);
        ASSERT_TRUE(run.vesk.CloseQuery(unused));
        EXPECT_TRUE(unused.captions.isEmpty());
    }
    ASSERT_TRUE(CamtroveKeyExists(program.location));
    program.WriteIni({"[]"});
    AppRun run(program.location);
    EXPECT_EQ(run.vesk.Mode(), spPortable);
    EXPECT_FALSE(CamtroveKeyExists(program.location));
}

TEST(VeskPreferences, RegistryStoreOfAnotherExecutableStartsWithDefaultsAndIsDeleted)
{
    TempProgram program;
    {
        platform::Registry reg(program.location.registryFolder);
        ASSERT_TRUE(reg.OpenKey(kKeyPath, true));
        ASSERT_TRUE(reg.WriteString(QStringLiteral("ExeName"), QStringLiteral("/old/place/camtrove")));
        ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Volume"), 100));
    }
    AppRun run(program.location);
    EXPECT_EQ(run.catalogue.Volume->value, 5000);
    EXPECT_EQ(run.vesk.Mode(), spNone);
    EXPECT_FALSE(CamtroveKeyExists(program.location));
    ScriptedPrompt prompt(spRegistre);
    ASSERT_TRUE(run.vesk.CloseQuery(prompt));
    EXPECT_EQ(prompt.captions.size(), 1);

    AppRun restart(program.location); // same executable now: the registry is used
    EXPECT_EQ(restart.vesk.Mode(), spRegistre);
    EXPECT_EQ(restart.catalogue.List().storeMode, spRegistre);
}

TEST(VeskPreferences, ExecutablePathComparesWithoutLetterCase)
{
    TempProgram program;
    {
        platform::Registry reg(program.location.registryFolder);
        ASSERT_TRUE(reg.OpenKey(kKeyPath, true));
        ASSERT_TRUE(reg.WriteString(QStringLiteral("exename"), program.location.exeName.toUpper()));
    }
    AppRun run(program.location);
    EXPECT_EQ(run.vesk.Mode(), spRegistre);
}

TEST(VeskPreferences, ChoosingPortableInThePanelDeletesTheRegistryKeyAtOnce)
{
    TempProgram program;
    AppRun run(program.location);
    run.vesk.SetMode(spRegistre);
    ASSERT_TRUE(CamtroveKeyExists(program.location));
    run.vesk.SetMode(spPortable);
    EXPECT_FALSE(CamtroveKeyExists(program.location));
    EXPECT_EQ(run.catalogue.List().storeMode, spPortable);
    run.vesk.SetMode(spNone); // "Do not save when quit" deletes both stores
    EXPECT_FALSE(QFile::exists(program.IniPath()));
}

TEST(VeskPreferences, MakersKeyStaysWhileAnotherProgramHasAKey)
{
    for (const bool sibling : {true, false}) {
        SCOPED_TRACE(sibling ? "with a sibling key" : "alone");
        TempProgram program;
        TVeskPreferences vesk(program.location);
        vesk.ApplyMode(spRegistre);
        platform::Registry reg(program.location.registryFolder);
        ASSERT_TRUE(
            reg.OpenKey(QStringLiteral("\\Software\\Dorn Vesk\\Camtrove\\IncrustRec\\FontRec"), true));
        if (sibling) {
            ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dorn Vesk\\Reeltrak"), true));
        }
        vesk.ApplyMode(spNone);
        EXPECT_FALSE(reg.KeyExists(kKeyPath));
        EXPECT_EQ(reg.KeyExists(QStringLiteral("\\Software\\Dorn Vesk")), sibling);
        EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\Software")));
    }
}

class RectStores : public ::testing::TestWithParam<TSavePreferences>
{
};

TEST_P(RectStores, ReadRectNeedsAllFourValues)
{
    TempProgram program;
    TVeskPreferences vesk(program.location);
    vesk.ApplyMode(GetParam());
    const TRect fallback{10, 20, 30, 40};
    ASSERT_TRUE(vesk.WriteRect(QStringLiteral("FormSave"), TRect{1, 2, 3, 4}));
    EXPECT_EQ(vesk.ReadRect(QStringLiteral("formsave"), fallback), (TRect{1, 2, 3, 4}));
    ASSERT_TRUE(vesk.Store().OpenKey(QStringLiteral("Cam2"), true));
    ASSERT_TRUE(vesk.Store().WriteInteger(QStringLiteral("Left"), 5));
    ASSERT_TRUE(vesk.Store().WriteInteger(QStringLiteral("Top"), 6));
    vesk.Store().GoToRoot();
    EXPECT_EQ(vesk.ReadRect(QStringLiteral("Cam2"), fallback), fallback);
    EXPECT_TRUE(vesk.WriteBool(QStringLiteral("Script"), true));
    EXPECT_TRUE(vesk.ReadBool(QStringLiteral("Script"), false));
    EXPECT_EQ(vesk.ReadInteger(QStringLiteral("NumMediatype"), 7), 7);
    EXPECT_TRUE(vesk.WriteString(QStringLiteral("Custom"), QString()));
    EXPECT_EQ(vesk.ReadString(QStringLiteral("Custom"), QStringLiteral("x")), QString());
}

INSTANTIATE_TEST_SUITE_P(Stores, RectStores, ::testing::Values(spRegistre, spPortable),
                         [](const auto& info) { return info.param == spRegistre ? "Registry" : "Ini"; });

TEST(VeskPreferences, ModeNoneReadsDefaultsAndWritesNothing)
{
    TempProgram program;
    TVeskPreferences vesk(program.location);
    EXPECT_FALSE(vesk.WriteInteger(QStringLiteral("NumMediatype"), 3));
    EXPECT_FALSE(vesk.WriteRect(QStringLiteral("FormSave"), TRect{}));
    EXPECT_EQ(vesk.ReadRect(QStringLiteral("FormSave"), TRect{1, 1, 1, 1}), (TRect{1, 1, 1, 1}));
    EXPECT_TRUE(QDir(program.location.exeDir).isEmpty());
}

TEST(RegPreferencesMan, StringsAndNumbersInTheirRegistryForms)
{
    TempProgram program;
    TRegPreferencesMan store(program.location.registryFolder, QStringLiteral("Software\\Dorn Vesk\\Camtrove"),
                             true);
    ASSERT_TRUE(store.WriteString(QStringLiteral("Version"), QStringLiteral("6.2")));
    ASSERT_TRUE(store.WriteString(QStringLiteral("Empty"), QString()));
    platform::Registry reg(program.location.registryFolder);
    ASSERT_TRUE(reg.OpenKey(kKeyPath, false));
    EXPECT_EQ(reg.ReadData(QStringLiteral("Version"))->bytes, QByteArray("6\0.\0"
                                                                         "2\0\0",
                                                                         7));
    EXPECT_EQ(reg.ReadData(QStringLiteral("Empty"))->bytes, QByteArray(1, '\0'));
    QString text = QStringLiteral("x");
    ASSERT_TRUE(store.ReadString(QStringLiteral("Empty"), text));
    EXPECT_TRUE(text.isEmpty());
    ASSERT_TRUE(store.ReadString(QStringLiteral("version"), text));
    EXPECT_EQ(text, QStringLiteral("6.2"));

    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Two"), 2));
    bool flag = true;
    EXPECT_TRUE(store.ReadBool(QStringLiteral("Two"), flag));
    EXPECT_TRUE(flag); // found, unchanged
    ASSERT_TRUE(reg.WriteBinaryData(QStringLiteral("Short"), QByteArray("\x05\x01", 2)));
    std::int32_t number = 0;
    EXPECT_TRUE(store.ReadInteger(QStringLiteral("Short"), number));
    EXPECT_EQ(number, 0x105);
    EXPECT_FALSE(store.ReadInteger(QStringLiteral("Version"), number)); // 7 bytes do not fit
    ASSERT_TRUE(store.WriteFloat(QStringLiteral("F"), 2.5));
    double real = 0;
    EXPECT_TRUE(store.ReadFloat(QStringLiteral("F"), real));
    EXPECT_EQ(real, 2.5);

    ASSERT_TRUE(store.OpenKey(QStringLiteral("A"), true));
    ASSERT_TRUE(store.OpenKey(QStringLiteral("B"), true));
    EXPECT_EQ(store.CurrentPath(), QStringLiteral("A\\B"));
    EXPECT_FALSE(store.OpenKey(QStringLiteral("C"), false));
    EXPECT_TRUE(store.CloseKey());
    EXPECT_EQ(store.CurrentPath(), QStringLiteral("A"));
    QStringList keys;
    ASSERT_TRUE(store.GetKeyNames(keys));
    EXPECT_EQ(keys, QStringList{"B"});
}

TEST(IniPreferencesMan, SectionsValuesAndTheirTexts)
{
    TempProgram program;
    program.WriteIni({"[]", "Version=1", "Flag=true", "[FormSave]", "Left=abc", "[FormSave\\Inner]"});
    TIniPreferencesMan store(program.IniPath(), QStringLiteral("[\\Software\\Dorn Vesk\\Camtrove]"));
    bool flag = false;
    EXPECT_FALSE(store.ReadBool(QStringLiteral("Flag"), flag)); // only "True" and "False"
    ASSERT_TRUE(store.WriteBool(QStringLiteral("flag"), true));
    QString text;
    ASSERT_TRUE(store.ReadString(QStringLiteral("FLAG"), text));
    EXPECT_EQ(text, QStringLiteral("True"));
    ASSERT_TRUE(store.WriteString(QStringLiteral("New"), QStringLiteral("n")));
    ASSERT_TRUE(store.OpenKey(QStringLiteral("formsave"), false));
    std::int32_t number = 9;
    EXPECT_TRUE(store.ReadInteger(QStringLiteral("Left"), number));
    EXPECT_EQ(number, 0);
    QStringList keys;
    ASSERT_TRUE(store.GetKeyNames(keys));
    EXPECT_EQ(keys, QStringList{"Inner"});
    ASSERT_TRUE(store.OpenKey(QStringLiteral("Missing"), false));
    ASSERT_TRUE(store.CloseKey());
    ASSERT_TRUE(store.CloseKey());
    QStringList names;
    ASSERT_TRUE(store.GetValueNames(names));
    EXPECT_EQ(names, (QStringList{"Version", "flag", "New"})); // a replaced line takes the name as written
    EXPECT_EQ(store.Lines(), (QStringList{"[]", "Version=1", "flag=True", "New=n", "[FormSave]", "Left=abc",
                                          "[FormSave\\Inner]", "", "[formsave\\Missing]"}));
}

TEST(IniPreferencesMan, BothWritersKeepEachOthersSections)
{
    TempProgram program;
    PreferenceCatalogue catalogue(program.location, TUserFolders{});
    ASSERT_TRUE(catalogue.Build());
    catalogue.List().storeMode = spPortable;
    TIniPreferencesMan store(program.IniPath(), QStringLiteral("[\\Software\\Dorn Vesk\\Camtrove]"));
    ASSERT_TRUE(store.WriteString(QStringLiteral("Version"), QStringLiteral("v1")));
    ASSERT_TRUE(store.Flush());

    catalogue.Volume->value = 1;
    ASSERT_TRUE(catalogue.List().SaveAll()); // keeps the store's root section
    EXPECT_TRUE(program.IniLines().contains(QStringLiteral("Version=v1")));

    ASSERT_TRUE(store.OpenKey(QStringLiteral("FormSave"), true));
    ASSERT_TRUE(store.WriteInteger(QStringLiteral("Left"), 7));
    catalogue.Volume->value = 2;
    ASSERT_TRUE(catalogue.List().SaveAll());
    ASSERT_TRUE(store.Flush()); // keeps the parameter list's latest section
    const QStringList lines = program.IniLines();
    EXPECT_TRUE(lines.contains(QStringLiteral("Volume=2")));
    EXPECT_FALSE(lines.contains(QStringLiteral("Volume=1")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Left=7")));
    EXPECT_EQ(lines.count(QStringLiteral("[\\Software\\Dorn Vesk\\Camtrove]")), 1);
}

} // namespace
} // namespace camtrove::settings
