#pragma once
// The readable text form of one registry root, as kept on disk:
//
//   ; comment lines and blank lines are ignored
//   [Software\Dorn Vesk\Camtrove]          one line per key, parents before children
//   "Volume"=dword:00001388                 REG_DWORD
//   "Framerate"=hex:00,00,00,00,00,00,32,40 REG_BINARY
//   "Video Racine"=sz:"Video"               REG_SZ of the text and a two-byte terminator
//   "ExeName"=sz(11):"Video"                REG_SZ of exactly 11 bytes (text, then zero bytes)
//   "Path"=expand_sz:"%HOME%"               REG_EXPAND_SZ, same forms as sz
//   "Odd"=hex(7):41,00                      any other type or byte layout, raw
//
// Quoted texts escape \\ \" \r \n \t and other control characters as \uXXXX. "[]" holds values of
// the root itself.

#include "platform/registry_types.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace camtrove::platform {

[[nodiscard]] QByteArray SerializeRegistry(const RegKey& root, const QString& rootName);

struct RegistryParseError
{
    int line = 0; // 1-based
    QString message;
};

// Fills root (emptied first); the error names the first line that cannot be read.
[[nodiscard]] std::optional<RegistryParseError> ParseRegistry(const QByteArray& text, RegKey& root);

} // namespace camtrove::platform
