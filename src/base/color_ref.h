#pragma once

#include <QtGlobal>

// Colours as the devices' tools have always written them: 0x00BBGGRR.
using TColorRef = quint32;

// Stands for "the value colour of the current theme".
inline constexpr TColorRef clValuePlaceholder = 0x62B75A;
inline constexpr TColorRef clRed = 0x0000FF;
inline constexpr TColorRef clYellow = 0x00FFFF;
inline constexpr TColorRef clWhite = 0xFFFFFF;
inline constexpr TColorRef clGreyValue = 0x5C564B;
inline constexpr TColorRef clLightGrey = 0xF0F0F0;
// A value that has not been renewed for a minute.
inline constexpr TColorRef clAgedValue = 0x808080;
