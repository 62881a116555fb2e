#pragma once

#include "device/command_table.h"
#include "device/custom_commands.h"
#include "device/lot_number.h"

#include <QString>
#include <QStringList>

class ICommandHost;
class TDictionary;
class TRegistry;

// What a click on a menu line asks the window to do next.
enum TCommandClick {
  ccIgnored,      // the line belongs to an older table or another device, or there is nothing to do
  ccRan,          // the row was run
  ccAddDialog,    // ask for a new custom command
  ccDeleteDialog, // ask which custom command to delete
  ccLotDialog,    // ask for the lot number
};

// The service commands of the selected device: the command table, running a row by index or by
// name, the user's custom commands and the lot number. No widgets: the window shows the menu and
// the dialogs and hands their answers here.
class TCommands {
public:
  TCommands(ICommandHost& aHost, TRegistry& aRegistry, const TDictionary& aDictionary);

  const TCommandTable& Table() const { return FTable; }
  TCustomCommandStore& Store() { return FStore; }
  TLotNumber& LotNumber() { return FLot; }
  // The runnable custom commands of the type whose list was loaded last.
  const QStringList& CustomCommands() const { return FCustomCommands; }

  // Builds the table again for the selected port, then has the menu rebuilt.
  void Fill();
  // Runs the first row named aName whose range holds the selected device's type; nothing when
  // none does.
  void Exec(const QString& aName);
  // Runs row aIndex on the selected port. True when it sent a text (not for operations, refused
  // passwords or rows with nothing to send).
  bool Do(int aIndex);
  // A click on the menu line of row aIndex, built from the table of generation aGeneration. A row
  // that sent its text says so in an information hint naming it.
  TCommandClick Click(quint64 aGeneration, int aIndex);

  void LoadCustomCommands(const QString& aType);
  // Removes every type's custom commands and fills the table again.
  void ClearCustomCommands();

  // The type the add and delete dialogs are for: the selected device's, or "Unknown".
  QString ShownType() const;
  // The add dialog's answer for aShownType. Shows the success or the error hint.
  bool AddCustomCommand(const QString& aShownType, const QString& aName, const QString& aText);
  // The number the delete dialog proposes: that of the last command in the menu; 0 when none.
  int LastCustomNumber(const QString& aType) const;
  // The delete dialog's answer: the number of the command as the menu shows it. Shows the success
  // or the error hint.
  bool DeleteCustomCommand(const QString& aType, const QString& aNumberText);

  // The lot dialog's answer; shows the lot taken as an information hint.
  bool EnterLotNumber(const QString& aText);

private:
  QString Text(const char* aKey) const;

  ICommandHost& FHost;
  const TDictionary& FDictionary;
  TCommandTable FTable;
  TCustomCommandStore FStore;
  TLotNumber FLot;
  QStringList FCustomCommands;
};
