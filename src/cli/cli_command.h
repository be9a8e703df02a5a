#pragma once
// The commands of camtrove-cli. Each command lives in its own *_command.cpp and registers itself
// with a static CliCommandRegistration; main() dispatches on the first argument.

#include <QStringList>

#include <cstdio>
#include <functional>
#include <string_view>
#include <vector>

namespace camtrove::cli {

// Exit statuses shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitBadInput = 2; // missing or unreadable file, bad arguments

struct CliCommand
{
    const char* name;
    const char* usage;                               // arguments after the name, for --help
    const char* summary;                             // one line for --help
    std::function<int(const QStringList& args)> run; // args exclude the command name
    bool drawsText = false;                          // runs with a GUI application, for its fonts
};

[[nodiscard]] const std::vector<CliCommand>& CliCommands();

struct CliCommandRegistration
{
    explicit CliCommandRegistration(CliCommand command);
};

// Prints to standard error, prefixed with "camtrove-cli: ".
void PrintError(const QString& message);
// Prints a line to standard output in UTF-8.
void PrintLine(const QString& line);

} // namespace camtrove::cli
