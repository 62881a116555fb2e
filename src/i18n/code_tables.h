#pragma once

#include <QString>
#include <span>

// One row of the country or operator table: a code of digits and the name shown for it.
struct TCodeName {
  const char16_t* Code;
  const char16_t* Name;
};

// Mobile country codes (three digits) with the country's name in Russian; the first row, "000", has an
// empty name.
std::span<const TCodeName> CountryTable();
// Mobile country code followed by mobile network code (five digits) with the operator's name; the
// first row, "00000", has an empty name.
std::span<const TCodeName> OperatorTable();

// The name of the first row whose code equals aCode (ASCII letters compared without case), otherwise
// "#" followed by aCode, so an unknown code still shows what the device sent.
QString CountryName(const QString& aCode);
QString OperatorName(const QString& aCode);
