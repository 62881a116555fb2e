#pragma once

// The stand-in program (tests/updates/program_stand_in.cpp) made to tell any "--version" line.

#include <QByteArray>
#include <QFile>
#include <QString>

// A copy of the stand-in whose "--version" says aLine; empty when the stand-in is not built or
// the line does not fit its slot.
inline QByteArray StandInProgram(const QByteArray& aLine) {
  QFile file(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-stand-in"));
  if (!file.open(QIODevice::ReadOnly))
    return {};
  QByteArray bytes = file.readAll();
  static const QByteArray marker = "@@VELMORA-VERSION-SLOT@@";
  const qsizetype at = bytes.indexOf(marker);
  constexpr qsizetype slot = 96;
  if (at < 0 || marker.size() + aLine.size() >= slot)
    return {};
  QByteArray filled = marker + aLine;
  filled.append(QByteArray(slot - filled.size(), '\0'));
  bytes.replace(at, slot, filled);
  return bytes;
}
