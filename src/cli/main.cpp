#include "cli/cli_command.h"

#include <QGuiApplication>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <memory>

namespace camtrove::cli {
namespace {

std::vector<CliCommand>& MutableCommands()
{
    static std::vector<CliCommand> commands;
    return commands;
}

void PrintHelp()
{
    PrintLine(QStringLiteral("Usage: camtrove-cli COMMAND [ARGUMENTS]"));
    PrintLine(QStringLiteral("Camtrove's capture core without windows."));
    PrintLine(QString());
    PrintLine(QStringLiteral("Commands:"));
    auto commands = CliCommands();
    std::sort(commands.begin(), commands.end(),
              [](const CliCommand& a, const CliCommand& b) { return std::string_view(a.name) < b.name; });
    for (const CliCommand& command : commands) {
        PrintLine(
            QStringLiteral("  %1 %2").arg(QString::fromUtf8(command.name), QString::fromUtf8(command.usage)));
        PrintLine(QStringLiteral("      %1").arg(QString::fromUtf8(command.summary)));
    }
    PrintLine(QString());
    PrintLine(QStringLiteral("  --help       this text"));
    PrintLine(QStringLiteral("  --version    the program's name and version"));
}

} // namespace

const std::vector<CliCommand>& CliCommands()
{
    return MutableCommands();
}

CliCommandRegistration::CliCommandRegistration(CliCommand command)
{
    MutableCommands().push_back(std::move(command));
}

void PrintError(const QString& message)
{
    QTextStream err(stderr);
    err << "camtrove-cli: " << message << Qt::endl;
}

void PrintLine(const QString& line)
{
    QTextStream out(stdout);
    out << line << '\n';
}

} // namespace camtrove::cli

int main(int argc, char** argv)
{
    using namespace camtrove::cli;
    // No windows, but a command that draws text needs fonts, and fonts need a GUI application:
    // the offscreen platform gives one without a display.
    const bool drawsText =
        argc > 1 && std::any_of(CliCommands().begin(), CliCommands().end(), [&](const CliCommand& c) {
            return c.drawsText && std::strcmp(c.name, argv[1]) == 0;
        });
    if (drawsText && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app = drawsText ? std::make_unique<QGuiApplication>(argc, argv)
                                                            : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Camtrove"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CAMTROVE_VERSION_TEXT));

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h")) {
        PrintHelp();
        return args.isEmpty() ? kExitBadInput : kExitOk;
    }
    if (args.front() == QLatin1String("--version")) {
        PrintLine(QStringLiteral("Camtrove " CAMTROVE_VERSION_TEXT));
        return kExitOk;
    }
    const QString name = args.takeFirst();
    for (const CliCommand& command : CliCommands()) {
        if (name == QLatin1String(command.name))
            return command.run(args);
    }
    PrintError(QStringLiteral("unknown command \"%1\"; see camtrove-cli --help").arg(name));
    return kExitBadInput;
}
