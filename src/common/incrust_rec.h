#pragma once
// The inlay settings as one plain record: the settings store them, the inlay filter draws with them.

#include "common/colors.h"

#include <QString>

#include <cstdint>

namespace camtrove {

struct TfontRecord
{
    QString FontName;
    std::int32_t FontSize = 0;   // points
    std::uint32_t FontColor = 0; // 0x00BBGGRR
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    bool operator==(const TfontRecord&) const = default;
};

struct TincrustRec
{
    QString Incrust1;
    QString Incrust2;
    QString FormatDate1;
    QString FormatDate2;
    double DecalageHoraire = 0.0; // a date-time difference
    TfontRecord FontRec;
    bool Autofontsize = false;
    std::int32_t BorderSize = 0;
    std::uint8_t WhatIncrust = 0;
    std::uint8_t Alignment = 0;
    std::uint32_t BorderColor = 0;
    std::int32_t Xpos = 0;
    std::int32_t Ypos = 0;
    bool operator==(const TincrustRec&) const = default;
};

} // namespace camtrove
