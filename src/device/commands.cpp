#include "device/commands.h"

#include "core/log_file.h"
#include "device/command_host.h"
#include "device/port_info.h"
#include "i18n/dictionary.h"

namespace {

const QString kAddCustomCommand = QStringLiteral("AddCustomCommand");
const QString kDelCustomCommand = QStringLiteral("DelCustomCommand");
const QString kEnterLotNumber = QStringLiteral("EnterLotNumber");

bool HasLineBreak(const QString& aText) {
  return aText.contains(QLatin1Char('\r')) || aText.contains(QLatin1Char('\n'));
}

} // namespace

TCommands::TCommands(ICommandHost& aHost, TRegistry& aRegistry, const TDictionary& aDictionary)
    : FHost(aHost), FDictionary(aDictionary), FTable(aDictionary), FStore(aRegistry), FLot(aRegistry) {}

QString TCommands::Text(const char* aKey) const {
  return FDictionary.Translate(QString::fromLatin1(aKey));
}

void TCommands::Fill() {
  FTable.Fill(FHost.Q(), FStore.All());
  // Lines of the old menu point at rows of the old table: never leave them up.
  FHost.CommandsUpdate();
}

void TCommands::Exec(const QString& aName) {
  const int index = FTable.Find(aName, FHost.Q());
  if (index >= 0)
    Do(index);
}

bool TCommands::Do(int aIndex) {
  TPortInfo* port = FHost.Q();
  if (!port || aIndex < 0 || aIndex >= FTable.Count())
    return false;
  const QByteArray password = ToLogCodePage(port->UserPassword());
  // The service adapter waits for its password: whatever was chosen, the typed password goes.
  if (port->ReadLockState() == -1) {
    port->SendAnsiString(password + "\r\n");
    FHost.CommandsAwaitReply(Text("PasswordDo"));
    return false;
  }
  // The device refused the password: it would refuse the command too.
  if (port->ReadLockState() == 1)
    return false;
  const TCommand& row = FTable.Rows().at(aIndex);
  if (row.Operation >= 1) {
    FHost.CommandsStartOperation(*port, row.Operation);
    return false;
  }
  // Rows that only open a dialog have nothing to send; an empty send would log an empty entry.
  if (row.Send.isEmpty())
    return false;
  // Service strings carry the device password in front.
  port->SendAnsiString(row.Send.startsWith('*') ? password + row.Send : row.Send);
  return true;
}

TCommandClick TCommands::Click(quint64 aGeneration, int aIndex) {
  // A menu left open across a refill, or across a switch to another device, must not run a row
  // that now means something else.
  if (aGeneration != FTable.Generation() || !FTable.Fits(aIndex, FHost.Q()))
    return ccIgnored;
  const QString& ident = FTable.Rows().at(aIndex).Ident;
  if (ident == kAddCustomCommand)
    return ccAddDialog;
  if (ident == kDelCustomCommand) {
    const QString type = ShownType();
    if (TCustomCommandStore::IsTypeKey(type))
      FCustomCommands = FStore.Load(type);
    return FCustomCommands.isEmpty() || !TCustomCommandStore::IsTypeKey(type) ? ccIgnored : ccDeleteDialog;
  }
  if (ident == kEnterLotNumber)
    return ccLotDialog;
  // A command sent from the menu is answered at once; what the device replies follows as a hint
  // of its own, naming the command, where the reply is one the program recognises.
  if (Do(aIndex)) {
    const TCommand& row = FTable.Rows().at(aIndex);
    QString caption = FDictionary.Language() == TDictionary::lnEnglish ? row.NameEN : row.NameRU;
    if (caption.isEmpty())
      caption = FDictionary.Translate(row.Ident);
    FHost.MainHintShow(3, Text("mes_commandsent") + QStringLiteral(": ") + caption);
    FHost.CommandsAwaitReply(caption);
  }
  return ccRan;
}

void TCommands::LoadCustomCommands(const QString& aType) {
  FCustomCommands = FStore.Load(aType);
}

void TCommands::ClearCustomCommands() {
  FStore.Clear();
  FCustomCommands.clear();
  Fill();
}

QString TCommands::ShownType() const {
  TPortInfo* port = FHost.Q();
  return port ? port->DeviceVer() : QStringLiteral("Unknown");
}

bool TCommands::AddCustomCommand(const QString& aShownType, const QString& aName, const QString& aText) {
  const QString name = aName.trimmed();
  const QString text = aText.trimmed();
  TPortInfo* port = FHost.Q();
  // The name ends at the first "@" when the entry is read back, and a line break would send two
  // lines: both are refused rather than stored wrongly.
  const bool valid = port && port->DeviceVer() == aShownType && TCustomCommandStore::IsTypeKey(aShownType) &&
                     !name.isEmpty() && !text.isEmpty() && !name.contains(QLatin1Char('@')) &&
                     !HasLineBreak(name) && !HasLineBreak(text);
  if (!valid) {
    FHost.MainHintShow(0, Text("mes_customcommandaddederror"));
    return false;
  }
  // The master's send gate drops every text line: a command it would never get is not offered.
  if (aShownType == QString::number(kFuelMasterType)) {
    FHost.MainHintShow(0,
                       Text("mes_customcommandaddederror") + QStringLiteral(": ") + Text("mes_mastertext"));
    return false;
  }
  // The list in memory may be another type's (the one whose settings were loaded last): change
  // the shown type's list as stored.
  QStringList entries = FStore.Entries(aShownType);
  entries.append(name + QLatin1Char('@') + text);
  FStore.Save(aShownType, entries);
  FCustomCommands = FStore.Load(aShownType);
  Fill();
  FHost.MainHintShow(1, Text("mes_customcommandadded"));
  return true;
}

int TCommands::LastCustomNumber(const QString& aType) const {
  const QStringList entries = FStore.Entries(aType);
  for (qsizetype k = entries.size(); k > 0; --k) {
    if (entries.at(k - 1).contains(QLatin1Char('@')))
      return int(k);
  }
  return 0;
}

bool TCommands::DeleteCustomCommand(const QString& aType, const QString& aNumberText) {
  bool ok = false;
  int number = aNumberText.trimmed().toInt(&ok, 10);
  if (!ok)
    number = 0;
  TPortInfo* port = FHost.Q();
  QStringList entries = FStore.Entries(aType);
  // The number is the one the menu shows, which counts the stored entries that cannot be run too.
  const bool valid = port && port->DeviceVer() == aType && TCustomCommandStore::IsTypeKey(aType) &&
                     number >= 1 && number <= entries.size() &&
                     entries.at(number - 1).contains(QLatin1Char('@'));
  if (!valid) {
    FHost.MainHintShow(0, Text("mes_customcommanddeletederror"));
    return false;
  }
  entries.removeAt(number - 1);
  FStore.Save(aType, entries);
  FCustomCommands = FStore.Load(aType);
  Fill();
  FHost.MainHintShow(1, Text("mes_customcommanddeleted"));
  return true;
}

bool TCommands::EnterLotNumber(const QString& aText) {
  if (!FLot.Enter(aText))
    return false;
  FHost.MainHintShow(3, Text("mes_LotNumber") + QStringLiteral(": ") + TLotNumber::Text(FLot.Value()));
  return true;
}
