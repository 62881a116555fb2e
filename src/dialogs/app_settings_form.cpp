#include "dialogs/app_settings_form.h"

#include "platform/app_paths.h"
#include "style/icons.h"
#include "style/theme.h"
#include "dialogs/toggle_switch.h"

#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QColor kSwitchOff(75, 86, 92);

} // namespace

TAppSettingsForm::TAppSettingsForm(std::unique_ptr<IAppSettingsHost> aHost, QWidget* aParent)
    : QDialog(aParent), FHost(std::move(aHost)) {
  setObjectName(QStringLiteral("AppSettingsForm"));
  setWindowIcon(FHost->Icons().Icon(QStringLiteral("I_PARAMS"), 24));
  setMinimumWidth(460);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  FPanelSettings = new QWidget(this);
  FPanelSettings->setObjectName(QStringLiteral("PanelSettings"));
  auto* main = new QVBoxLayout(FPanelSettings);
  main->setContentsMargins(16, 12, 16, 12);
  FButtonFon = NewButton(FPanelSettings, "ButtonFon", "E_THEME");
  FDriversButton = NewButton(FPanelSettings, "DriversButton", "E_DRIVER");
  FDefaultSettingsButton = NewButton(FPanelSettings, "DefaultSettingsButton", "I_NORMALIZE");
  FClearCmdButton = NewButton(FPanelSettings, "ClearCmdButton", "I_NORMALIZE");
  for (QToolButton* b : {FButtonFon, FDriversButton, FDefaultSettingsButton, FClearCmdButton})
    main->addWidget(b);
  FPathLabelSig = new QLabel(FPanelSettings);
  FPathLabelSig->setObjectName(QStringLiteral("PathLabelSig"));
  FPathLabel = new QLabel(FPanelSettings);
  FPathLabel->setObjectName(QStringLiteral("PathLabel"));
  FPathLabel->setText(QDir::toNativeSeparators(AppDataFolder() + QLatin1Char('/')));
  FPathLabel->setCursor(Qt::PointingHandCursor);
  FPathLabel->setAttribute(Qt::WA_Hover);
  FPathLabel->installEventFilter(this);
  main->addSpacing(6);
  main->addWidget(FPathLabelSig);
  main->addWidget(FPathLabel);
  main->addSpacing(6);
  auto* languages = new QHBoxLayout();
  FLabel3 = new QLabel(QStringLiteral("Язык (Language):"), FPanelSettings);
  FLabel3->setObjectName(QStringLiteral("Label3"));
  FButtonRU = NewButton(FPanelSettings, "ButtonRU", nullptr);
  FButtonRU->setText(QStringLiteral("Русский"));
  FButtonEN = NewButton(FPanelSettings, "ButtonEN", nullptr);
  FButtonEN->setText(QStringLiteral("English"));
  languages->addWidget(FLabel3);
  languages->addWidget(FButtonRU);
  languages->addWidget(FButtonEN);
  languages->addStretch();
  main->addLayout(languages);
  FToggleSwitchAuto = NewSwitchRow(FPanelSettings, "LabelSwitchAuto", "ToggleSwitchAuto", &FLabelSwitchAuto);
  FToggleAdvanceCAN = NewSwitchRow(FPanelSettings, "LabelAdvanceCAN", "ToggleAdvanceCAN", &FLabelAdvanceCAN);
  FToggleAdminSettings = NewSwitchRow(FPanelSettings, "LabelAdditionalSettings", "ToggleAdminSettings",
                                      &FLabelAdditionalSettings);
  layout->addWidget(FPanelSettings);

  FPanelSettingsAdmin = new QWidget(this);
  FPanelSettingsAdmin->setObjectName(QStringLiteral("PanelSettingsAdmin"));
  auto* admin = new QVBoxLayout(FPanelSettingsAdmin);
  admin->setContentsMargins(16, 8, 16, 12);
  FOpenVirtLog = NewButton(FPanelSettingsAdmin, "btn_OpenVirtLog", "E_LOG");
  FPrintSettings = NewButton(FPanelSettingsAdmin, "btnPrintSettings", "I_PRINT");
  FLotNumberButton = NewButton(FPanelSettingsAdmin, "LotNumberButton", "I_PARAMS");
  for (QToolButton* b : {FOpenVirtLog, FPrintSettings, FLotNumberButton})
    admin->addWidget(b);
  FToggleAutoPrint = NewSwitchRow(FPanelSettingsAdmin, "LabelAutoPrint", "ToggleAutoPrint", &FLabelAutoPrint);
  FToggleBtnPrint =
      NewSwitchRow(FPanelSettingsAdmin, "LabelPrintVisible", "ToggleBtnPrint", &FLabelPrintVisible);
  layout->addWidget(FPanelSettingsAdmin);

  FPanel1 = new QWidget(this);
  FPanel1->setObjectName(QStringLiteral("Panel1"));
  auto* bottom = new QHBoxLayout(FPanel1);
  bottom->setContentsMargins(16, 8, 16, 8);
  FOKButton = NewButton(FPanel1, "OKButton", nullptr);
  bottom->addStretch();
  bottom->addWidget(FOKButton);
  layout->addStretch();
  layout->addWidget(FPanel1);

  connect(FButtonFon, &QToolButton::clicked, this, [this] { FHost->CycleStyleMode(); });
  connect(FDriversButton, &QToolButton::clicked, this, [this] { FHost->AskInstallDrivers(); });
  connect(FDefaultSettingsButton, &QToolButton::clicked, this, [this] { FHost->AskDefaultSettings(); });
  connect(FClearCmdButton, &QToolButton::clicked, this, [this] { FHost->AskClearCustomCommands(); });
  connect(FButtonRU, &QToolButton::clicked, this, [this] {
    FHost->ChooseLanguage(0);
    Restyle();
  });
  connect(FButtonEN, &QToolButton::clicked, this, [this] {
    FHost->ChooseLanguage(1);
    Restyle();
  });
  connect(FToggleSwitchAuto, &TToggleSwitch::clicked, this,
          [this](bool aOn) { FHost->SetNoSwitchCOMAuto(aOn); });
  connect(FToggleAdvanceCAN, &TToggleSwitch::clicked, this, [this](bool aOn) { FHost->SetAdvanceCAN(aOn); });
  connect(FToggleAutoPrint, &TToggleSwitch::clicked, this, [this](bool aOn) { FHost->SetAutoPrint(aOn); });
  connect(FToggleBtnPrint, &TToggleSwitch::clicked, this, [this](bool aOn) { FHost->SetPrintVisible(aOn); });
  // The administrator switch does not flip by itself: the mode decides, after the password.
  connect(FToggleAdminSettings, &TToggleSwitch::clicked, this, [this] {
    FToggleAdminSettings->setChecked(FHost->AdminMode());
    FHost->ToggleAdminMode();
  });
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this), &QShortcut::activated, this,
          [this] { FHost->ToggleAdminMode(); });
  connect(FOpenVirtLog, &QToolButton::clicked, this, [this] { FHost->ToggleReplayPanel(); });
  connect(FPrintSettings, &QToolButton::clicked, this, [this] { FHost->OpenPrintSettings(); });
  connect(FLotNumberButton, &QToolButton::clicked, this, [this] { FHost->OpenLotNumber(); });
  connect(FOKButton, &QToolButton::clicked, this, &QDialog::accept);
  Restyle();
}

QToolButton* TAppSettingsForm::NewButton(QWidget* aParent, const char* aName, const char* aIcon) {
  auto* b = new QToolButton(aParent);
  b->setObjectName(QString::fromLatin1(aName));
  b->setAutoRaise(true);
  b->setCursor(Qt::PointingHandCursor);
  if (aIcon) {
    b->setProperty("glyph", QString::fromLatin1(aIcon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setIconSize(QSize(20, 20));
  }
  return b;
}

TToggleSwitch* TAppSettingsForm::NewSwitchRow(QWidget* aParent, const char* aLabelName,
                                              const char* aSwitchName, QLabel** aLabel) {
  auto* row = new QHBoxLayout();
  *aLabel = new QLabel(aParent);
  (*aLabel)->setObjectName(QString::fromLatin1(aLabelName));
  auto* toggle = new TToggleSwitch(aParent);
  toggle->setObjectName(QString::fromLatin1(aSwitchName));
  row->addWidget(toggle);
  row->addWidget(*aLabel, 1);
  static_cast<QVBoxLayout*>(aParent->layout())->addLayout(row);
  return toggle;
}

void TAppSettingsForm::Restyle() {
  const TThemeColors& theme = FHost->Theme();
  setStyleSheet(
      QStringLiteral(R"(
    #AppSettingsForm, #Panel1 { background: %1; }
    #PanelSettings, #PanelSettingsAdmin { background: %2; }
    #PanelSettingsAdmin { border-top: 1px solid %1; }
    QLabel { color: %3; background: transparent; }
    #PathLabel { color: %4; }
    QToolButton { color: %3; background: transparent; border: none; border-radius: 4px; padding: 4px 6px; }
    QToolButton:hover { background: %5; }
    QToolButton:checked { color: %4; font-weight: 600; }
    QToolButton:disabled { color: %6; }
    #OKButton { border: 1px solid %6; padding: 4px 16px; }
  )")
          .arg(theme.Window.name(), theme.Panel.name(), theme.Text.name(), theme.Accent.name(),
               theme.Dark ? QStringLiteral("rgba(255,255,255,0.08)") : QStringLiteral("rgba(0,0,0,0.08)"),
               theme.Muted.name()));
  for (QToolButton* b : findChildren<QToolButton*>())
    if (const QString glyph = b->property("glyph").toString(); !glyph.isEmpty())
      b->setIcon(FHost->Icons().Icon(glyph, 20));

  auto tr = [this](const char* aKey) { return FHost->Translate(QString::fromLatin1(aKey)); };
  setWindowTitle(tr("act_SoftSettings"));
  switch (FHost->StyleMode()) {
  case tmSystem:
    FButtonFon->setText(tr("act_FonSys"));
    break;
  case tmLight:
    FButtonFon->setText(tr("act_FonLight"));
    break;
  default:
    FButtonFon->setText(tr("act_FonDark"));
    break;
  }
  FPathLabelSig->setText(tr("act_PathLabelSig"));
  FLabelAdvanceCAN->setText(tr("act_AdvanceCAN_ON"));
  FLabelSwitchAuto->setText(tr("act_NoSwitchCOMAuto"));
  FLabelAutoPrint->setText(tr("act_AutoPrint"));
  FLabelPrintVisible->setText(tr("act_PrintVisible"));
  FLabelAdditionalSettings->setText(tr("act_AdditionalSettings"));
  FOKButton->setText(tr("act_Close"));
  FLotNumberButton->setText(tr("act_LotNumber"));
  FDefaultSettingsButton->setText(tr("act_DefaultSettings"));
  FPrintSettings->setText(tr("act_PrintSettings"));
  FClearCmdButton->setText(tr("act_ClearCmd"));
  FOpenVirtLog->setText(FHost->ReplayPanelVisible() ? tr("act_VirtLog_OFF") : tr("act_VirtLog_ON"));
  RefreshDriversButton();
  FButtonRU->setCheckable(true);
  FButtonEN->setCheckable(true);
  FButtonRU->setChecked(FHost->Language() == 0);
  FButtonEN->setChecked(FHost->Language() == 1);

  const TAppSwitches state = FHost->Switches();
  const std::pair<TToggleSwitch*, bool> switches[] = {{FToggleSwitchAuto, state.NoSwitchCOMAuto},
                                                      {FToggleAdvanceCAN, state.AdvanceCAN},
                                                      {FToggleAdminSettings, FHost->AdminMode()},
                                                      {FToggleAutoPrint, state.AutoPrint},
                                                      {FToggleBtnPrint, state.PrintVisible}};
  for (const auto& [toggle, on] : switches) {
    toggle->setChecked(on);
    toggle->SetColors(theme.Accent, kSwitchOff, Qt::white);
  }
  FPanelSettingsAdmin->setVisible(FHost->AdminMode());
  adjustSize();
}

void TAppSettingsForm::RefreshDriversButton() {
  switch (FHost->DriversStage()) {
  case dsIdle:
    FDriversButton->setText(FHost->Translate(QStringLiteral("act_DriverInstall")));
    FDriversButton->setEnabled(true);
    break;
  case dsLoading:
    FDriversButton->setText(QStringLiteral("Загрузка..."));
    FDriversButton->setEnabled(false);
    break;
  case dsInstalling:
    FDriversButton->setText(QStringLiteral("Установка драйверов..."));
    FDriversButton->setEnabled(false);
    break;
  }
}

bool TAppSettingsForm::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aWatched == FPathLabel) {
    if (aEvent->type() == QEvent::Enter || aEvent->type() == QEvent::Leave) {
      QFont font = FPathLabel->font();
      font.setUnderline(aEvent->type() == QEvent::Enter);
      FPathLabel->setFont(font);
    } else if (aEvent->type() == QEvent::MouseButtonRelease) {
      QDesktopServices::openUrl(QUrl::fromLocalFile(AppDataFolder()));
      return true;
    }
  }
  return QDialog::eventFilter(aWatched, aEvent);
}
