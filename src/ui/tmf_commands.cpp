// The commands menu of the main window: the menu built from the command table, its clicks, and
// the dialogs for custom commands and the lot number. The rules live in TCommands.

#include "device/commands.h"
#include "device/device_types.h"
#include "device/port_info.h"
#include "ui/command_dialogs.h"
#include "ui/tmf.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

namespace {

const char kGenerationProperty[] = "commandGeneration";
const char kIndexProperty[] = "commandIndex";

} // namespace

void TMF::Commands_Fill() {
  FCommands->Fill();
}

void TMF::Commands_Update() {
  // Called by the port list and the port records while the window is still being built.
  if (!FCommands || !FCommandsMenu || !FCommandsButton)
    return;
  // Not deleted at once: the update may run from the click of one of these very lines.
  for (QAction* item : std::as_const(FCommandItems)) {
    FCommandsMenu->removeAction(item);
    item->deleteLater();
  }
  FCommandItems.clear();
  if (TPortInfo* port = Q()) {
    const TCommandTable& table = FCommands->Table();
    const quint64 generation = table.Generation();
    for (const TCommandMenuItem& line : table.MenuFor(port, Language())) {
      auto* item = new QAction(FCommandsMenu);
      if (line.Separator) {
        item->setSeparator(true);
      } else {
        // Captions are shown as they are: an "&" is not a mnemonic.
        item->setText(QString(line.Caption).replace(QLatin1Char('&'), QLatin1String("&&")));
      }
      item->setVisible(line.Visible);
      item->setProperty(kGenerationProperty, generation);
      item->setProperty(kIndexProperty, line.Index);
      connect(item, &QAction::triggered, this, [this, item] { Commands_MenuClick(item); });
      FCommandsMenu->addAction(item);
      FCommandItems.append(item);
    }
  }
  FCommandsButton->setVisible(FDiscovery->List().PortCount() >= 1);
}

void TMF::Commands_MenuClick(QAction* aItem) {
  if (!aItem)
    return;
  bool generationOk = false;
  bool indexOk = false;
  const quint64 generation = aItem->property(kGenerationProperty).toULongLong(&generationOk);
  const int index = aItem->property(kIndexProperty).toInt(&indexOk);
  if (!generationOk || !indexOk)
    return;
  // Erasing the device's memory cannot be undone: such rows run only once the user said yes.
  const TCommandTable& table = FCommands->Table();
  if (generation == table.Generation() && table.Fits(index, Q()) && table.Rows().at(index).Confirmation) {
    const QString question = aItem->text().replace(QLatin1String("&&"), QLatin1String("&")) +
                             QStringLiteral("?\n") + Translate(QStringLiteral("_ConfirmIrreversible"));
    FOptions.Prompts->Confirm(PromptParent(), question, [this, generation, index](bool aYes) {
      if (aYes)
        RunMenuCommand(generation, index);
    });
    return;
  }
  RunMenuCommand(generation, index);
}

void TMF::RunMenuCommand(quint64 aGeneration, int aIndex) {
  // The answer may come after the table was filled again: Click turns a stale row away.
  switch (FCommands->Click(aGeneration, aIndex)) {
  case ccAddDialog:
    AddCustomCommandDialog();
    break;
  case ccDeleteDialog:
    DelCustomCommandDialog();
    break;
  case ccLotDialog:
    EnterLotNumberCommandDialog();
    break;
  case ccIgnored:
  case ccRan:
    break;
  }
}

void TMF::Commands_Exec(const QString& aName) {
  // Port records may ask while the window is being torn down.
  if (FCommands)
    FCommands->Exec(aName);
}

void TMF::Commands_Do(int aIndex) {
  if (FCommands)
    FCommands->Do(aIndex);
}

void TMF::btn_CommandsClick() {
  FCommandsMenu->popup(FCommandsButton->mapToGlobal(QPoint(0, FCommandsButton->height())));
}

void TMF::CommandsStartOperation(TPortInfo& aPort, int aOperation) {
  aPort.SetOperation(quint8(aOperation));
}

void TMF::CommandsAwaitReply(const QString& aCommand) {
  FCore.AwaitReply(aCommand);
}

void TMF::ClearCustomCommands() {
  FCommands->ClearCustomCommands();
}

void TMF::LoadCustomCommands(const QString& aType) {
  FCommands->LoadCustomCommands(aType);
}

const QStringList& TMF::CustomCommands() const {
  return FCommands->CustomCommands();
}

void TMF::AddCustomCommandDialog() {
  const QString type = FCommands->ShownType();
  const QString heading = Translate(QStringLiteral("_ForDevice")) + QStringLiteral(": ") +
                          DeviceDisplayName(type, QStringLiteral("0"));
  auto* dialog = new TCommandDialog(
      this, QStringLiteral("AddCustomCommandDialog"), Translate(QStringLiteral("AddCustomCommand")),
      QSize(400, 260),
      {{QStringLiteral("NameEdit"), Translate(QStringLiteral("hint_CommandName")) + QLatin1Char(':'), {}},
       {QStringLiteral("TextEdit"), Translate(QStringLiteral("hint_CommandText")), {}}},
      heading, &FTheme.Accent);
  connect(dialog, &QDialog::accepted, this,
          [this, dialog, type] { FCommands->AddCustomCommand(type, dialog->Value(0), dialog->Value(1)); });
  dialog->ShowModal();
}

void TMF::DelCustomCommandDialog() {
  const QString type = FCommands->ShownType();
  auto* dialog = new TCommandDialog(
      this, QStringLiteral("DelCustomCommandDialog"), Translate(QStringLiteral("DelCustomCommand")),
      QSize(300, 150),
      {{QStringLiteral("IndexEdit"), Translate(QStringLiteral("_CommandsForDel")) + QLatin1Char(':'),
        QString::number(FCommands->LastCustomNumber(type))}});
  connect(dialog, &QDialog::accepted, this,
          [this, dialog, type] { FCommands->DeleteCustomCommand(type, dialog->Value(0)); });
  dialog->ShowModal();
}

void TMF::EnterLotNumberCommandDialog(std::function<void(bool)> aDone) {
  auto* dialog = new TCommandDialog(
      this, QStringLiteral("LotNumberDialog"), Translate(QStringLiteral("EnterLotNumber")), QSize(300, 150),
      {{QStringLiteral("LotEdit"), Translate(QStringLiteral("mes_LotNumber")) + QStringLiteral(" (HEX):"),
        TLotNumber::Text(FCommands->LotNumber().Value())}});
  connect(dialog, &QDialog::finished, this, [this, dialog, aDone](int aResult) {
    const bool taken = aResult == QDialog::Accepted && FCommands->EnterLotNumber(dialog->Value(0));
    if (aDone)
      aDone(taken);
  });
  dialog->ShowModal();
}
