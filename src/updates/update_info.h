#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// What the device information site says about the newest program.
struct TProgramInfo {
  QDateTime Version; // invalid: none received or unreadable
  QString Url;       // download address of the new program
  QString Sha256;    // hex digest of the program, when the site gives one
};

// A device description for the welcome page, in one language.
struct TDeviceDescription {
  bool Valid = false;
  QString Caption;
  QString Text;
  QString Url; // only http and https addresses; empty otherwise
};

// One entry of the settings service's module list.
struct TModuleEntry {
  int Type = 0;
  QDateTime CreatedAt; // local time, as the module file is dated
};

// "yymmdd" (read as 20yy-mm-dd) or "yyyy-mm-dd" with an optional "hh:mm" or "hh:mm:ss" (fractions
// of a second allowed); invalid when it cannot be read.
QDateTime ParseProgramDate(const QString& aText);
// The service's "yyyy-mm-ddThh:mm:ss" with an optional "Z" or offset; the offset is dropped, the
// time is taken as it stands.
QDateTime ParseCreatedAt(const QString& aText);

TProgramInfo ParseProgramInfo(const QString& aText);
// aLanguage 0 Russian, 1 English.
TDeviceDescription ParseDeviceDescription(const QString& aText, int aLanguage);
// Entries that cannot be read are left out one by one. False when the text is not a module list.
bool ParseModuleList(const QString& aText, QList<TModuleEntry>* aEntries);

// The module file of a device type in the module folder.
QString ModuleFileName(const QString& aFolder, int aType);
// Entries whose module is missing locally or older than the server's.
QList<TModuleEntry> NewerModules(const QList<TModuleEntry>& aEntries, const QString& aFolder);
// "v305; v306".
QString ModuleNames(const QList<int>& aTypes);
