// The settings page: built from the device type's schema, filled from the device's settings image
// or a configuration file, written back, saved; validation messages and their banner.

#include "base/build_info.h"
#include "core/log_file.h"
#include "device/port_info.h"
#include "dialogs/car_select_form.h"
#include "monitor/caption_class.h"
#include "platform/app_paths.h"
#include "settings/controls/choice_classes.h"
#include "settings/controls/edit_classes.h"
#include "settings/controls/tab_panel.h"
#include "settings/settings_files.h"
#include "settings/settings_image.h"
#include "settings/settings_page_values.h"
#include "ui/operation_dialogs.h"
#include "ui/tmf.h"
#include "updates/crypto/checksums.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QScrollArea>
#include <QSignalBlocker>
#include <cmath>
#include <exception>
#include <utility>

namespace {

// Lays the sections out again whenever the room for them changes.
class TRealignOnResize : public QObject {
public:
  TRealignOnResize(QObject* aParent, std::function<void()> aRealign)
      : QObject(aParent), FRealign(std::move(aRealign)) {}

protected:
  bool eventFilter(QObject*, QEvent* aEvent) override {
    if (aEvent->type() == QEvent::Resize)
      FRealign();
    return false;
  }

private:
  std::function<void()> FRealign;
};

QString FileDialog(bool aSave, QWidget* aParent, const QString& aTitle, const QString& aFilter,
                   const QString& aProposed) {
  const QStringList filters = DialogFilters(aFilter);
  const QString selected = aSave ? filters.value(2) : filters.value(0);
  QString chosen = selected;
  return aSave ? QFileDialog::getSaveFileName(aParent, aTitle, aProposed, filters.join(QStringLiteral(";;")),
                                              &chosen)
               : QFileDialog::getOpenFileName(aParent, aTitle, aProposed, filters.join(QStringLiteral(";;")),
                                              &chosen);
}

} // namespace

// ---- building the page ----

void TMF::InitSettingsPage() {
  FSettingsGraveyard = new QWidget(this);
  FSettingsGraveyard->hide();
  FSettingsContext.Monitor = &FMonitorContext;
  FSettingsContext.Registry = &FRegistry;
  FSettingsContext.SettingsError = [this](int aNumber, const QString& aText, const QObject* aSource) {
    SettingsError(aNumber, aText, aSource);
  };
  FSettingsContext.RunCommand = [this](const QString& aCommand) { Commands_Exec(aCommand); };
  FSettingsContext.PickValue = [this](TControlClass* aControl) { PickSettingValue(aControl); };
  if (!FOpenDialog)
    FOpenDialog = [this](const QString& aFilter, const QString& aProposed) {
      return FileDialog(false, this, Translate(QStringLiteral("dlg_OpenCFG")), aFilter, aProposed);
    };
  if (!FSaveDialog)
    FSaveDialog = [this](const QString& aFilter, const QString& aProposed) {
      return FileDialog(true, this, Translate(QStringLiteral("dlg_SaveCFG")), aFilter, aProposed);
    };
  const struct {
    const char* Name;
    void (TMF::*Slot)();
  } actions[] = {{"act_GetCFG", &TMF::act_GetCFG},
                 {"act_SetCFG", &TMF::act_SetCFG},
                 {"act_OpenCFG", &TMF::act_OpenCFG},
                 {"act_SaveCFG", &TMF::act_SaveCFG}};
  for (const auto& a : actions)
    if (auto* action = findChild<QAction*>(QString::fromLatin1(a.Name)))
      connect(action, &QAction::triggered, this, a.Slot);
  if (auto* box = findChild<QScrollArea*>(QStringLiteral("T1ScrollBox")))
    box->viewport()->installEventFilter(new TRealignOnResize(this, [this] { RealignSettings(); }));
  FBannerTimer.setInterval(30);
  connect(&FBannerTimer, &QTimer::timeout, this, &TMF::BannerStep);
  UpdateSettingsActions();
}

void TMF::FreeSettingsPage() {
  // While the window's members still live: the elements refer to them.
  ClearSettingsPage(true);
  RemoveBanner();
  delete FSettingsGraveyard;
  FSettingsGraveyard = nullptr;
}

void TMF::SetFileDialogs(TFileDialog aOpen, TFileDialog aSave) {
  FOpenDialog = std::move(aOpen);
  FSaveDialog = std::move(aSave);
}

void TMF::ClearSettingsPage(bool aTabs) {
  for (const char* name : {"PanelP1", "PanelP2"}) {
    auto* panel = findChild<QWidget*>(QString::fromLatin1(name));
    if (!panel)
      continue;
    const QObjectList children = panel->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it)
      if (auto* e = qobject_cast<TBaseClass*>(*it)) {
        // Out of the page at once, freed once the event that got here is over: a control whose
        // own handler led to this reload may still be on the stack.
        e->hide();
        e->setParent(FSettingsGraveyard);
        e->deleteLater();
      }
  }
  FVisualIndex.MarkDirty();
  FSettingsTable.clear();
  FSettingsShapes.clear();
  FDeviceEntries.clear();
  // Messages are kept per control: those of the controls going now could never be cleared.
  if (FErrors.HasErrors()) {
    FErrors.Clear();
    RemoveBanner();
    UpdateSettingsActions();
  }
  if (aTabs) {
    for (const QPointer<TTabPanel>& tab : FTabs)
      if (tab) {
        tab->hide();
        tab->setParent(FSettingsGraveyard);
        tab->deleteLater();
      }
    FTabs.clear();
    if (auto* strip = findChild<QWidget*>(QStringLiteral("PanelT2")))
      strip->setFixedHeight(TTabPanel::kHeight);
  }
}

TControlClass* TMF::MakeSettingControl(TSetting& aRow, const TControlShape& aShape, QWidget* aBody) {
  TControlClass* control = nullptr;
  switch (aRow.Control) {
  case ckString:
    control = aShape.WithButton ? new TStringWithButtonClass(FSettingsContext, aBody)
                                : new TStringClass(FSettingsContext, aBody);
    break;
  case ckInteger:
    control = aShape.WithButton ? new TIntegerWithButtonClass(FSettingsContext, aBody)
                                : new TIntegerClass(FSettingsContext, aBody);
    break;
  case ckFlag:
    control = new TFlagClass(FSettingsContext, aBody);
    control->SetBit(aRow.Bit);
    break;
  case ckList: {
    auto* list = new TListClass(FSettingsContext, aBody);
    for (const auto& item : aShape.Items)
      list->AddDicItem(item.first, item.second);
    control = list;
    break;
  }
  case ckButton:
    control = new TButtonClass(FSettingsContext, aBody);
    break;
  default:
    return nullptr;
  }
  if (aShape.Min)
    control->SetMin(*aShape.Min);
  if (aShape.Max)
    control->SetMax(*aShape.Max);
  control->SetIdent(aRow.Alias);
  control->SetSettings(aRow.Number);
  control->SetHistoryKey(TInputHistory::ExtractHistoryKey(aRow.TextBefore));
  // Schemas leave the device password without a caption; an unnamed field is never typed into.
  const bool password = aRow.Number == kPasswordSetting || aRow.Number == kPasswordSetting2;
  const QString captionKey =
      aRow.TextBefore.isEmpty() && password ? QStringLiteral("_DevicePassword") : aRow.TextBefore;
  control->SetTextKeys(captionKey, aRow.TextAfter);
  control->SetCaption(Translate(captionKey));
  control->SetUnits(Translate(aRow.TextAfter));
  control->Init();
  aRow.WinControl = control;
  return control;
}

void TMF::ControlsLoadSettings(const QString& aVersion) {
  // The load is reached from inside the status decoder (a new device type): nothing it meets
  // may escape into the decoding of the record.
  bool built = false;
  try {
    FCanShowSettings = false;
    ClearSettingsPage(false);
    FPasswordEdit->setEnabled(false);
    FSettingsLoading = true;
    UpdateSettingsActions();
    if (aVersion.isEmpty()) {
      ClearSettingsPage(true);
      FSettingsLoading = false;
      return;
    }
    TPortInfo* port = Q();
    ShowSettingsLocked(port && port->ReadLocked());
    const std::optional<TSchemaChoice> schema = ChooseSettingsSchema(
        aVersion, AppDataFolder(), QDateTime(BuildDate(), QTime(0, 0)), &EmbeddedSettingsSchema);
    if (!schema) {
      MainHintShow(0, Translate(QStringLiteral("mes_settingsnoversion")) + QLatin1Char(' ') + aVersion);
      ClearSettingsPage(true);
    } else {
      built = true;
      BuildSettingsFromSchema(*ParseSettingsSchema(schema->Text), port ? port->SettingsVersion() : 1);
    }
  } catch (const std::exception& e) {
    MainHintShow(0, QString::fromLocal8Bit(e.what()));
  } catch (...) {
    MainHintShow(0, Translate(QStringLiteral("mes_settingsnoversion")) + QLatin1Char(' ') + aVersion);
  }
  FSettingsLoading = false;
  if (built) {
    FPasswordEdit->setEnabled(true);
    PasswordEditChange();
    Commands_Exec(QStringLiteral("SettingsGet"));
    if (!FTabs.isEmpty() && FTabs.first())
      FTabs.first()->SetChecked(true);
    RealignSettings();
    FCanShowSettings = true;
  }
  UpdateSettingsActions();
  if (!aVersion.isEmpty()) {
    LoadCustomCommands(aVersion);
    Commands_Fill();
    Commands_Update();
  }
}

void TMF::BuildSettingsFromSchema(const QJsonObject& aSchema, int aSettingsVersion) {
  TSettingsModel model = BuildSettingsModel(aSchema, aSettingsVersion);
  if (model.HasTranslations)
    FDictionary.SetSchemaTranslations(model.Translations);
  ClearSettingsPage(true);
  auto* strip = findChild<QWidget*>(QStringLiteral("PanelT2"));
  auto* body = findChild<TPagePanel*>(QStringLiteral("PanelP1"));
  FSettingsTable = model.Rows;
  FSettingsShapes = model.Controls;
  for (const TSchemaSection& section : model.Sections) {
    auto* tab = new TTabPanel(strip, FTheme);
    tab->SetDict(section.Dict);
    tab->SetCaption(Translate(section.Dict));
    FTabs.append(tab);
    auto* column = new TColumnClass(FMonitorContext, body);
    column->SetEquil(false);
    column->hide();
    tab->SetWinControl(column);
    connect(tab, &TTabPanel::NotifyEvent, this, [this] { RealignSettings(); });
    for (const TSchemaSubSection& sub : section.SubSections) {
      auto* caption = new TCaptionClass(FMonitorContext, column->Body());
      caption->setProperty("Tag", -1);
      caption->SetIdent(sub.Id);
      caption->SetDict(sub.Dict);
      caption->SetCaption(Translate(sub.Dict));
      for (int index : sub.Rows)
        MakeSettingControl(FSettingsTable[index], model.Controls.at(index), caption->Body());
      caption->UpdateHeight();
    }
    column->UpdateHeight();
  }
  if (!model.Error.isEmpty())
    MainHintShow(0, Translate(QStringLiteral("mes_settingsbuilderror")) + QLatin1Char(' ') + model.Error);
  if (!model.Skipped.isEmpty())
    MainHintShow(0, Translate(QStringLiteral("mes_settingsskipped")) + QLatin1Char(' ') +
                        model.Skipped.join(QStringLiteral(", ")));
  PasswordChanged();
}

void TMF::RealignSettings() {
  auto* body = findChild<TPagePanel*>(QStringLiteral("PanelP1"));
  auto* box = findChild<QScrollArea*>(QStringLiteral("T1ScrollBox"));
  if (!body || !box)
    return;
  body->resize(box->viewport()->width(), body->height());
  for (QObject* child : body->children())
    if (auto* column = qobject_cast<TColumnClass*>(child); column && !column->isHidden()) {
      column->setGeometry(0, 0, box->viewport()->width(), column->FullHeight());
      column->UpdateHeight();
    }
  UpdatePanelHeight(body, box);
}

void TMF::RetranslateSettings() {
  for (const QPointer<TTabPanel>& tab : FTabs)
    if (tab)
      tab->SetCaption(Translate(tab->Dict()));
  for (const TSetting& row : FSettingsTable)
    if (auto* control = qobject_cast<TControlClass*>(row.WinControl.data()))
      control->Retranslate();
}

// ---- actions ----

void TMF::UpdateSettingsActions() {
  TPortInfo* port = Q();
  const bool open = port && !port->WriteLocked() && !FSettingsLoading;
  for (const char* name : {"act_OpenCFG", "act_SaveCFG"})
    if (auto* action = findChild<QAction*>(QString::fromLatin1(name)))
      action->setEnabled(open);
  // Writing and saving wait until every value on the page is valid.
  if (auto* action = findChild<QAction*>(QStringLiteral("act_SetCFG")))
    action->setEnabled(open && !FErrors.HasErrors());
  if (auto* action = findChild<QAction*>(QStringLiteral("act_SaveCFG")))
    action->setEnabled(open && !FErrors.HasErrors());
  if (auto* action = findChild<QAction*>(QStringLiteral("act_GetCFG")))
    action->setEnabled(port != nullptr);
}

int TMF::SettingsLayout() const {
  TPortInfo* port = FDiscovery ? FDiscovery->Q() : nullptr;
  return port ? port->SettingsVersion() : 0;
}

TBuiltImage TMF::BuildImage() {
  return BuildSettingsImage(
      SettingsLayout(), FSettingsTable,
      [this](const TSetting& aRow) {
        TRowValue v;
        auto* control = qobject_cast<TControlClass*>(VisualFind(aRow.Alias));
        if (!control)
          return v;
        v.Found = true;
        v.IsSet = control->IsSet();
        v.HasValue = control->GetValue(v.Value);
        return v;
      },
      FDeviceEntries);
}

QString TMF::ConfigToString() {
  const int layout = SettingsLayout();
  if (layout != 1 && layout != 2)
    return QString();
  return Base64Encode(BuildImage().Image);
}

void TMF::act_GetCFG() {
  if (!Q()) {
    MainHintShow(2, Translate(QStringLiteral("mes_settingsnodevice")));
    return;
  }
  Commands_Exec(QStringLiteral("SettingsGet"));
}

void TMF::act_SetCFG() {
  TPortInfo* port = Q();
  if (!port) {
    MainHintShow(2, Translate(QStringLiteral("mes_settingsnodevice")));
    return;
  }
  const QString password = FPasswordEdit->text();
  if (password.isEmpty()) {
    FPasswordEdit->setFocus();
    MainHintShow(0, Translate(QStringLiteral("mes_passwordempty")));
    return;
  }
  if (port->DeviceVer() == QLatin1String("250")) {
    // The sensor master takes its slots and sensors as request frames, not as a settings image.
    FuelApplySettings();
    return;
  }
  const int layout = SettingsLayout();
  const TBuiltImage built = layout == 1 || layout == 2 ? BuildImage() : TBuiltImage();
  if (built.Refused()) {
    MainHintShow(0, RefusedValueText(FSettingsTable.at(built.RefusedRow),
                                     [this](const QString& aKey) { return Translate(aKey); }));
    return;
  }
  // An image without entries would tell the device nothing and still be answered as saved.
  if (built.Entries == 0) {
    MainHintShow(0, Translate(QStringLiteral("mes_settingsempty")));
    return;
  }
  // A new password travels as a value under the current one; it becomes the device's (and the
  // field's) only when the device says it saved the settings.
  FPendingPassword.clear();
  for (const TImageEntry& e : DecodeSettingsImage(layout, built.Image).Entries)
    if (e.Number == kPasswordSetting && FromLogCodePage(e.Value) != port->DevicePassword())
      FPendingPassword = FromLogCodePage(e.Value);
  disconnect(FSavedConnection);
  FSavedConnection = connect(
      port, &TPortInfo::SettingsSaved, this,
      [this, port](bool aOk) {
        const QString taken = std::exchange(FPendingPassword, QString());
        if (!aOk || taken.isEmpty() || Q() != port)
          return;
        {
          const QSignalBlocker quiet(FPasswordEdit);
          FPasswordEdit->setText(taken);
        }
        port->SetUserPassword(taken);
        port->SetDevicePassword(taken);
        MainHintShow(1, Translate(QStringLiteral("mes_passwordchanged")));
      },
      Qt::SingleShotConnection);
  const QByteArray text = Base64Encode(built.Image).toLatin1();
  if (port->DeviceVer() == QLatin1String("1"))
    port->SendAnsiString("settings set " + text + "\r\n");
  else
    port->SendAnsiString(ToLogCodePage(password) + "*CONF*" + text + "\r\n");
}

void TMF::act_SaveCFG() {
  TPortInfo* port = Q();
  if (!port) {
    MainHintShow(2, Translate(QStringLiteral("mes_settingsnodevice")));
    return;
  }
  const QString file = FSaveDialog(Translate(QStringLiteral("flt_log")) + QStringLiteral("|*.log|") +
                                       Translate(QStringLiteral("flt_dump")) + QStringLiteral("|*.dump|") +
                                       Translate(QStringLiteral("flt_cfg")) + QStringLiteral("|*.cfg"),
                                   port->DeviceName() + QStringLiteral(".cfg"));
  if (file.isEmpty())
    return;
  const int layout = SettingsLayout();
  const TBuiltImage built = layout == 1 || layout == 2 ? BuildImage() : TBuiltImage();
  if (built.Refused()) {
    MainHintShow(0, RefusedValueText(FSettingsTable.at(built.RefusedRow),
                                     [this](const QString& aKey) { return Translate(aKey); }));
    return;
  }
  const QString text = built.Image.isEmpty() ? QString() : Base64Encode(built.Image);
  if (!text.isEmpty() && WriteConfigFile(file, text))
    MainHintShow(1, Translate(QStringLiteral("mes_filesave")));
  else
    MainHintShow(0, Translate(QStringLiteral("mes_filesaveerror")));
}

void TMF::act_OpenCFG() {
  if (!Q()) {
    MainHintShow(2, Translate(QStringLiteral("mes_settingsnodevice")));
    return;
  }
  const QString file =
      FOpenDialog(Translate(QStringLiteral("flt_cfg")) + QStringLiteral("|*.cfg|") +
                      Translate(QStringLiteral("flt_firmware")) + QStringLiteral("|*.fwr;*.dfw;*.bin|") +
                      Translate(QStringLiteral("flt_other")) + QStringLiteral("|*.*"),
                  QString());
  if (file.isEmpty())
    return;
  const std::optional<QString> text = ReadConfigFile(file);
  if (!text) {
    MainHintShow(0, Translate(QStringLiteral("mes_fileopenerror")));
    return;
  }
  ApplyImageText(*text, false);
}

// ---- applying an image ----

void TMF::ApplySettingsImage(const QString& aBase64) {
  ApplyImageText(aBase64, true);
}

void TMF::ApplyImageText(const QString& aBase64, bool aFromDevice) {
  TPortInfo* port = Q();
  const int layout = SettingsLayout();
  bool decoded = false;
  const QByteArray image = Base64Decode(aBase64.trimmed(), &decoded);
  const TDecodedImage checked = decoded ? DecodeSettingsImage(layout, image) : TDecodedImage();
  if (!checked.Valid) {
    MainHintShow(0, Translate(QStringLiteral("mes_filedataerror")));
    return;
  }
  const auto translate = [this](const QString& aKey) { return Translate(aKey); };
  if (!aFromDevice) {
    // A file is taken whole or not at all: one entry the page would refuse refuses all of it.
    const std::optional<TEntryFault> fault = CheckFileEntries(
        layout, FSettingsTable, FSettingsShapes,
        [this](int aRow) {
          return qobject_cast<TControlClass*>(FSettingsTable.at(aRow).WinControl.data()) != nullptr;
        },
        checked, FDeviceEntries, translate);
    if (fault) {
      MainHintShow(0, FileFaultText(*fault, translate));
      return;
    }
  } else {
    FDeviceEntries = EntriesByNumber(checked.Entries);
  }
  const TAppliedImage applied = ApplySettingsEntries(layout, FSettingsTable, checked.Entries);
  int given = 0;
  for (const TRowAssignment& a : applied.Assignments) {
    auto* control = qobject_cast<TControlClass*>(FSettingsTable.at(a.Row).WinControl.data());
    if (!control)
      continue;
    // Straight into the row's own control: a file opened before a generation is detected still
    // fills the page, and an alias placed twice gets its value in both places.
    if (aFromDevice)
      control->SetDeviceValue(a.Value);
    else
      control->SetValue(a.Value);
    ++given;
  }
  // A file's password is a value to write, not the device's: the device's comes from the device.
  if (applied.HasPassword && port && aFromDevice)
    port->SetDevicePassword(applied.Password);
  QList<QPair<int, QString>> errors = applied.Errors;
  if (checked.Truncated)
    errors.append({checked.TruncatedNumber, QStringLiteral("the entry runs past the end of the image")});
  if (aFromDevice) {
    for (const TSetting& row : FSettingsTable)
      if (auto* control = qobject_cast<TControlClass*>(row.WinControl.data()))
        control->Colorize();
    if (!errors.isEmpty()) {
      // One box after the walk, not one per entry, and never waited for inside the decoder.
      const QString prefix =
          layout == 1 ? QStringLiteral("Ошибка в настройке ") : QStringLiteral("Ошибка 2 в настройке");
      QString text =
          prefix + QString::number(errors.first().first) + QLatin1Char(':') + errors.first().second;
      if (errors.size() > 1)
        text += QStringLiteral(" (+%1)").arg(errors.size() - 1);
      auto* box = new QMessageBox(QMessageBox::Critical, Translate(QStringLiteral("Error")), text,
                                  QMessageBox::Ok, this);
      box->setObjectName(QStringLiteral("SettingsErrorBox"));
      box->setAttribute(Qt::WA_DeleteOnClose);
      box->open();
    }
    return;
  }
  if (given == 0)
    MainHintShow(0, Translate(QStringLiteral("mes_filedataerror")));
  else
    MainHintShow(1, Translate(QStringLiteral("mes_fileopen")));
}

// ---- validation messages ----

void TMF::SettingsError(int aNumber, const QString& aText, const QObject* aSource) {
  const TSettingsErrors::TAction action =
      FErrors.Set(aNumber, aText, FInfoPanel && FInfoPanel->isVisible(), quintptr(aSource));
  UpdateSettingsActions();
  if (action == TSettingsErrors::eaRemoveBanner)
    RemoveBanner();
  else if (action == TSettingsErrors::eaShowBanner)
    ShowBanner(FErrors.CurrentMessage());
}

void TMF::RemoveBanner() {
  FBannerTimer.stop();
  if (FInfoPanel)
    FInfoPanel->hide();
}

void TMF::ShowBanner(const QString& aText) {
  const bool shown = FInfoPanel && FInfoPanel->isVisible();
  if (!FInfoPanel) {
    FInfoPanel = new QLabel(this);
    FInfoPanel->setObjectName(QStringLiteral("InfoPanel"));
    FInfoPanel->setAlignment(Qt::AlignCenter);
    FInfoPanel->setAutoFillBackground(true);
    FInfoPanel->setStyleSheet(QStringLiteral("background: #FF0000; color: white;"));
  }
  FInfoPanel->setText(aText);
  const int w = FInfoPanel->fontMetrics().horizontalAdvance(aText) + 48;
  FBannerStart = shown ? FInfoPanel->x() : width();
  FBannerRest = width() - 16 - w;
  FInfoPanel->setGeometry(FBannerStart, height() - 100, w, 30);
  FInfoPanel->show();
  FInfoPanel->raise();
  QApplication::beep();
  FBannerStep = 0;
  FBannerTimer.start();
  BannerStep();
}

void TMF::BannerStep() {
  if (!FInfoPanel)
    return;
  const int k = 20 + 2 * FBannerStep;
  int x = FBannerRest;
  if (k < 30)
    x = FBannerStart + int(std::lround((1 - std::cos(k * M_PI / 30)) * (FBannerRest - FBannerStart) / 2));
  FInfoPanel->move(x, height() - 100);
  FInfoPanel->repaint();
  if (++FBannerStep > 5)
    FBannerTimer.stop();
}

// ---- "..." buttons ----

void TMF::PickSettingValue(TControlClass* aControl) {
  if (qobject_cast<TIntegerWithButtonClass*>(aControl) &&
      !QFileInfo::exists(AppDataFolder() + QStringLiteral("/CAN_AUTO.json"))) {
    MainHintShow(2, QStringLiteral("CAN база не найдена!"));
    return;
  }
  if (qobject_cast<TIntegerWithButtonClass*>(aControl)) {
    // The control may go (a new type's page) while the dialog is open: only a live one is set.
    QPointer<TControlClass> control(aControl);
    QString error;
    TPortInfo* port = Q();
    if (!ShowCarSelect(
            this, port ? port->DeviceVer() : QString(),
            [control](int aProgram) {
              if (control)
                control->SetValue(aProgram);
            },
            &error))
      MainHintShow(0, error);
    return;
  }
  // The same settings version the page was built with decides which list the button opens.
  TPortInfo* port = Q();
  const TScanList list = ScanListOf(port ? port->SettingsVersion() : 1, aControl->Settings());
  if (list == slNone)
    return;
  QPointer<TControlClass> control(aControl);
  ShowScanPicker(list, [control](const QString& aValue) {
    if (control)
      control->SetValue(aValue);
  });
}

QList<TTabPanel*> TMF::SettingsTabs() const {
  QList<TTabPanel*> out;
  for (const QPointer<TTabPanel>& tab : FTabs)
    if (tab)
      out.append(tab);
  return out;
}

void TMF::StyleSettings() {
  for (TTabPanel* tab : SettingsTabs())
    tab->UpdateStyle();
  for (const TSetting& row : FSettingsTable)
    if (auto* control = qobject_cast<TControlClass*>(row.WinControl.data()))
      control->UpdateStyle();
}
