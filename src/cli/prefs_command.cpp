// camtrove-cli prefs show|save|reset: the preference stores without the main window.

#include "cli/cli_command.h"
#include "platform/registry.h"
#include "settings/catalogue.h"
#include "settings/vesk_preferences.h"

#include <QCoreApplication>
#include <QDir>

namespace camtrove::cli {
namespace {

using namespace camtrove::settings;

QString ModeName(TSavePreferences mode)
{
    switch (mode) {
    case spRegistre:
        return QStringLiteral("registry");
    case spPortable:
        return QStringLiteral("portable");
    case spNone:
        return QStringLiteral("none");
    }
    return {};
}

std::optional<TSavePreferences> ModeOfName(const QString& name)
{
    for (const TSavePreferences mode : {spRegistre, spPortable, spNone}) {
        if (name == ModeName(mode))
            return mode;
    }
    return std::nullopt;
}

QString Bool(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString Real(double value)
{
    return QString::number(value, 'g', 15);
}

// Line breaks would split the one-line-per-value output.
QString Text(QString value)
{
    return value.replace(QLatin1Char('\r'), QStringLiteral("\\r"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

void PrintFont(const QString& key, const TfontRecord& f)
{
    const QString k = key + QLatin1Char('\\');
    PrintLine(k + QStringLiteral("FontName=") + Text(f.FontName));
    PrintLine(k + QStringLiteral("FontSize=") + QString::number(f.FontSize));
    PrintLine(k + QStringLiteral("FontColor=") + QString::number(static_cast<std::int32_t>(f.FontColor)));
    PrintLine(k + QStringLiteral("FontBold=") + Bool(f.Bold));
    PrintLine(k + QStringLiteral("FontItalic=") + Bool(f.Italic));
    PrintLine(k + QStringLiteral("FontUnderline=") + Bool(f.Underline));
    PrintLine(k + QStringLiteral("FontStrikeOut=") + Bool(f.StrikeOut));
}

void PrintIncrust(const QString& key, const TincrustRec& r)
{
    const QString k = key + QLatin1Char('\\');
    PrintLine(k + QStringLiteral("Incrust1=") + Text(r.Incrust1));
    PrintLine(k + QStringLiteral("Incrust2=") + Text(r.Incrust2));
    PrintLine(k + QStringLiteral("FormatDate1=") + Text(r.FormatDate1));
    PrintLine(k + QStringLiteral("FormatDate2=") + Text(r.FormatDate2));
    PrintLine(k + QStringLiteral("Decalage Horaire=") + Real(r.DecalageHoraire));
    PrintFont(k + QStringLiteral("FontRec"), r.FontRec);
    PrintLine(k + QStringLiteral("Autofontsize=") + Bool(r.Autofontsize));
    PrintLine(k + QStringLiteral("BorderSize=") + QString::number(r.BorderSize));
    PrintLine(k + QStringLiteral("What Incrust=") + QString::number(r.WhatIncrust));
    PrintLine(k + QStringLiteral("Alignment=") + QString::number(r.Alignment));
    PrintLine(k + QStringLiteral("BorderColor=") + QString::number(static_cast<std::int32_t>(r.BorderColor)));
    PrintLine(k + QStringLiteral("Xpos=") + QString::number(r.Xpos));
    PrintLine(k + QStringLiteral("Ypos=") + QString::number(r.Ypos));
}

void PrintParameter(const TParameter& p)
{
    const QString k = p.Key() + QLatin1Char('=');
    if (const auto* i = dynamic_cast<const TIntegerParameter*>(&p))
        PrintLine(k + QString::number(i->value));
    else if (const auto* r = dynamic_cast<const TRealParameter*>(&p))
        PrintLine(k + Real(r->value));
    else if (const auto* s = dynamic_cast<const TWideStringParameter*>(&p))
        PrintLine(k + Text(s->value));
    else if (const auto* b = dynamic_cast<const TBooleanParameter*>(&p))
        PrintLine(k + Bool(b->value));
    else if (const auto* o = dynamic_cast<const TOrdinalParameter*>(&p))
        PrintLine(k + QString::number(o->value));
    else if (const auto* rec = dynamic_cast<const TincrustRecParameter*>(&p))
        PrintIncrust(p.Key(), rec->value);
}

struct PrefsArgs
{
    QString action;
    QString exeDir;
    QString store;
};

std::optional<PrefsArgs> ParseArgs(const QStringList& args)
{
    if (args.isEmpty())
        return std::nullopt;
    PrefsArgs parsed{args.front(), QCoreApplication::applicationDirPath(), {}};
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--exe-dir") && i + 1 < args.size())
            parsed.exeDir = args[++i];
        else if (args[i] == QLatin1String("--store") && i + 1 < args.size() &&
                 parsed.action == QLatin1String("save"))
            parsed.store = args[++i];
        else
            return std::nullopt;
    }
    return parsed;
}

TStoreLocation LocationFor(const QString& exeDir)
{
    return TStoreLocation{WithTrailingSlash(QDir(exeDir).absolutePath()),
                          QCoreApplication::applicationFilePath(), platform::Registry::DefaultFolder()};
}

int Show(const TStoreLocation& location)
{
    PreferenceCatalogue catalogue(location);
    if (!catalogue.Build())
        PrintError(QStringLiteral("the store cannot be read; showing the defaults"));
    PrintLine(ModeName(catalogue.List().storeMode));
    for (std::size_t i = 0; i < catalogue.List().Count(); ++i)
        PrintParameter(catalogue.List().At(i));
    return kExitOk;
}

int Save(const TStoreLocation& location, TSavePreferences mode)
{
    PreferenceCatalogue catalogue(location);
    TVeskPreferences vesk(location);
    vesk.version = ComponentVersionText();
    bool listSaved = true;
    vesk.OnChangeMode = [&](TSavePreferences aMode) { catalogue.List().storeMode = aMode; };
    vesk.OnSavePrefs = [&](TVeskPreferences&) {
        if (catalogue.List().storeMode != spNone)
            listSaved = catalogue.List().SaveAll();
    };
    vesk.FirstShow([&] {
        (void)catalogue.Build();
        vesk.SetMode(catalogue.List().storeMode);
    });
    vesk.SetMode(mode);
    const bool rootSaved = vesk.SavePreferences();
    const bool flushed = vesk.FlushStore();
    if (!rootSaved || !listSaved || !flushed) {
        PrintError(QStringLiteral("the preferences could not be saved in the %1 store").arg(ModeName(mode)));
        return kExitFailure;
    }
    return kExitOk;
}

int Run(const QStringList& args)
{
    const auto parsed = ParseArgs(args);
    if (!parsed) {
        PrintError(QStringLiteral("usage: camtrove-cli prefs show|save --store registry|portable|none|reset "
                                  "[--exe-dir DIR]"));
        return kExitBadInput;
    }
    const TStoreLocation location = LocationFor(parsed->exeDir);
    if (parsed->action == QLatin1String("show"))
        return Show(location);
    if (parsed->action == QLatin1String("save")) {
        const auto mode = ModeOfName(parsed->store);
        if (!mode) {
            PrintError(QStringLiteral("prefs save needs --store registry, portable or none"));
            return kExitBadInput;
        }
        return Save(location, *mode);
    }
    if (parsed->action == QLatin1String("reset")) {
        TVeskPreferences vesk(location);
        vesk.ApplyMode(spNone);
        return kExitOk;
    }
    PrintError(QStringLiteral("unknown prefs action \"%1\"").arg(parsed->action));
    return kExitBadInput;
}

const CliCommandRegistration kRegistration{
    CliCommand{"prefs", "show|save --store registry|portable|none|reset [--exe-dir DIR]",
               "show the stored preferences, save them to a store, or delete both stores", &Run}};

} // namespace
} // namespace camtrove::cli
