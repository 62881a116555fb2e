#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class TDictionary;
class TPortInfo;

// One service command: valid for a range of device type codes, it either sends a fixed text (or a
// sensor frame) or starts a long operation on the port.
// The generation-3 fuel-sensor master: it takes request frames only, never text lines.
inline constexpr int kFuelMasterType = 250;

struct TCommand {
  QString Ident;  // command name and dictionary key of its caption; empty for separators and own captions
  QString NameEN; // English caption
  QString NameRU; // Russian caption
  bool Confirmation = false;
  bool Show = true;
  qint32 DeviceMin = 0;
  qint32 DeviceMax = 0;
  QByteArray Send;      // text with its line end, or a frame; empty for operation rows
  qint32 Operation = 0; // 0: send Send

  bool IsSeparator() const {
    return Ident.isEmpty() && NameRU == QLatin1String("-") && NameEN == QLatin1String("-");
  }
};

// The user's own commands of one device type, as stored: every non-empty entry, "name@text" or not.
// Entries without "@" are not offered but keep their number, so the numbers stay those the user saw.
struct TCustomCommandSet {
  int Type = 0;
  QStringList Entries;
};

// One line of the commands menu.
struct TCommandMenuItem {
  int Index = -1; // row of the table
  QString Caption;
  bool Visible = true;
  bool Separator = false;
};

// The device type a port's commands are chosen by: its type code as a number, -1 when the code is
// not one.
int CommandDeviceType(const TPortInfo& aPort);

// The program-wide command table. Row order is the menu's order and decides which row a command
// name runs.
class TCommandTable {
public:
  explicit TCommandTable(const TDictionary& aDictionary) : FDictionary(aDictionary) {}

  // Appends a row. "-" makes a separator; "RU|EN" a row with its own captions and no name;
  // anything else is a name whose captions come from the dictionary in both languages.
  void Commands_New(const QString& aIdent, qint32 aDeviceMin, qint32 aDeviceMax, const QByteArray& aSend,
                    qint32 aOperation = 0, bool aConfirmation = false, bool aShow = true);

  // Builds the table again: the built-in rows (the password row only with a current port), the
  // custom commands of every stored type, then the rows that manage them. Every fill starts a new
  // generation, so that a click on a menu built from an older table can be told apart.
  void Fill(const TPortInfo* aCurrent, const QList<TCustomCommandSet>& aCustom);

  const QList<TCommand>& Rows() const { return FRows; }
  int Count() const { return int(FRows.size()); }
  quint64 Generation() const { return FGeneration; }

  // True when the row's range holds the port's type; no port fits nothing.
  bool Fits(int aIndex, const TPortInfo* aPort) const;
  // The first row, in table order, named aName whose range holds the port's type; -1 when none.
  int Find(const QString& aName, const TPortInfo* aPort) const;
  // The menu for a port: every row that fits it, captions in aLanguage (0 Russian, 1 English).
  QList<TCommandMenuItem> MenuFor(const TPortInfo* aPort, int aLanguage) const;

private:
  const TDictionary& FDictionary;
  QList<TCommand> FRows;
  quint64 FGeneration = 0;
};
