// What the main window does: pages, texts, themes, hints, keys, persisted state, timers.

#include "base/build_info.h"
#include "device/device_types.h"
#include "device/port_info.h"
#include "jobs/station.h"
#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "platform/registry.h"
#include "ui/caption_bar.h"
#include "ui/hint_stack.h"
#include "ui/log_page.h"
#include "ui/port_button.h"
#include "ui/replay_panel.h"
#include "ui/station_page.h"
#include "ui/tmf.h"
#include "ui/trend_controller.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

namespace {

const char* const kPageIcons[] = {"WELLCOME", "INFO", "CONFIG", "LOG", "FUEL", "STATION"};

// X11 key codes of the physical keys, so shortcuts work whatever the keyboard layout.
constexpr quint32 kScanGrave = 49;
constexpr quint32 kScanD = 40;
constexpr quint32 kScanP = 33;
constexpr quint32 kScanS = 39;
constexpr quint32 kScanL = 46;
constexpr quint32 kScanQ = 24;

QString AfterFirstUnderscore(const QString& aName) {
  return aName.section(QLatin1Char('_'), 1);
}

} // namespace

void TMF::MainHintShow(int aKind, const QString& aText) {
  FHints->Show(aKind, aText);
}

void TMF::PostLogChange() {
  // One refresh per turn of the event loop, however many chunks and sends came in it.
  if (FLogChangePosted)
    return;
  FLogChangePosted = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        FLogChangePosted = false;
        FLogPage->LogChange();
      },
      Qt::QueuedConnection);
}

void TMF::LogViewClear() {
  FLogPage->LogViewClear();
}

void TMF::LogViewSetHex(bool aHex) {
  FLogPage->LogViewSetHex(aHex);
}

void TMF::LogViewSetRowCount(int aRows) {
  FLogPage->LogViewSetRowCount(aRows);
}

void TMF::SetFollow(bool aFollow) {
  FLogPage->SetFollow(aFollow);
}

void TMF::ResetModemToggle() {
  FLogPage->SetModemToggle(false);
}

void TMF::SetSettingsVersionLabel(const QString& aText) {
  if (FSettingsVersionLabel)
    FSettingsVersionLabel->setText(aText);
}

// ---- language ----

void TMF::SetLanguage(int aLanguage) {
  FDictionary.SetLanguage(aLanguage);
  FState.Language = aLanguage;
  // Qt's own buttons and dialogs, and every date, speak the same language as the dictionary.
  FQtCatalogue.Switch(aLanguage);
  SetDateLanguage(aLanguage);
  UpdateCaption();
  RetranslateTree(this);
  for (TBaseClass* element : FVisualIndex.Elements())
    element->Retranslate();
  for (QAction* action : actions()) {
    const int tag = action->property("tag").toInt();
    if (tag < -1)
      continue;
    QString text = Translate(action->objectName());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    const QString caption = bar >= 0 ? text.left(bar) : text;
    const QString hint = bar >= 0 ? text.mid(bar + 1) : text;
    if (tag >= 0)
      action->setText(caption);
    action->setProperty("hint", hint);
    action->setToolTip(hint);
  }
  RetranslateSettings();
  FTrends->Retranslate();
  FReplayPanel->Retranslate(aLanguage);
  FLogPage->Retranslate();
  FStationPage->Retranslate();
  Commands_Update();
  UpdateWellcome();
  UpdateFolders();
  SetLanguageIndicator(0, 0);
  update();
}

void TMF::ChooseLanguage(int aLanguage) {
  SetLanguage(aLanguage);
  CommandsUpdate();
  // The device is asked for its type again; its answer refreshes what depends on the type.
  if (TPortInfo* port = Q())
    port->SendAnsiString(QByteArrayLiteral(">I 7\r\n"));
}

void TMF::RetranslateTree(QObject* aRoot) {
  for (QObject* child : aRoot->children()) {
    const QString name = child->objectName();
    // Qt's own parts of a dialog open over the window ("qt_msgbox_label") carry the program's
    // text or are Qt's to translate; they are no dictionary keys.
    if (name.startsWith(QLatin1String("qt_")))
      continue;
    if (child->metaObject() == &QLabel::staticMetaObject && name.contains(QLatin1Char('_'))) {
      static_cast<QLabel*>(child)->setText(Translate(AfterFirstUnderscore(name)));
    } else if (auto* button = qobject_cast<QToolButton*>(child);
               button && !button->defaultAction() && name.contains(QLatin1Char('_'))) {
      const QString text = Translate(AfterFirstUnderscore(name));
      button->setText(text);
      button->setToolTip(text);
    }
    if (child->isWidgetType())
      RetranslateTree(child);
  }
}

void TMF::SetLanguageIndicator(qint64 aPosition, qint64 aCount) {
  const bool show = aCount >= 1;
  if (FProgressPanel->isVisible() != show) {
    FProgressPanel->setVisible(show);
    update();
  }
  if (show) {
    // Byte counts of a large image times 100 or the bar's width do not fit an int.
    const qint64 position = qBound<qint64>(0, aPosition, aCount);
    FPercentLabel->setText(QString::number(position * 100 / aCount) + QLatin1Char('%'));
    FLangLabel->setGeometry(0, 0, int(position * FBorderT->width() / aCount), FBorderT->height());
    FLangLabel->show();
    return;
  }
  QToolButton* active = Language() == 1 ? FCaption->ButtonEN() : FCaption->ButtonRU();
  if (active->isVisible()) {
    const QPoint at = active->mapTo(this, QPoint(0, 0)) - FBorderT->mapTo(this, QPoint(0, 0));
    FLangLabel->setGeometry(at.x(), 0, FCaption->ButtonRU()->width(), FBorderT->height());
    FLangLabel->show();
  } else {
    FLangLabel->hide();
  }
}

// ---- pages ----

void TMF::ShowPage(TPage aPage) {
  FPage = aPage;
  FPages->setCurrentWidget(FPagePanels[aPage]);
  UpdatePageMarker();
  UpdateFolders();
  Q_EMIT PageChanged(aPage);
}

void TMF::UpdatePageMarker() {
  QToolButton* button = FPageButtons[FPage];
  if (!button || !button->isVisible()) {
    FPageLabel->hide();
    return;
  }
  const int y = button->mapTo(this, QPoint(0, 0)).y() - FBorderL->mapTo(this, QPoint(0, 0)).y();
  FPageLabel->setGeometry(0, y, FBorderL->width(), button->height());
  FPageLabel->show();
}

void TMF::act_PageWellcome() {
  ShowPage(pgWellcome);
  UpdateBrowser();
}

void TMF::act_PageInfo() {
  TPortInfo* port = Q();
  if (!port || !PortInUse()) {
    MainHintShow(2, Translate(QStringLiteral("mes_infonodevice")));
    return;
  }
  if (port->DeviceVer() == QLatin1String("250")) {
    MainHintShow(2, Translate(QStringLiteral("mes_windownotallow")));
    return;
  }
  ShowPage(pgInfo);
}

void TMF::act_PageSettings() {
  TPortInfo* port = Q();
  if (!port) {
    MainHintShow(2, Translate(QStringLiteral("mes_settingsnodevice")));
    return;
  }
  if (!FCanShowSettings) {
    MainHintShow(2,
                 Translate(QStringLiteral("mes_settingsnoversion")) + QLatin1Char(' ') + port->DeviceVer());
    return;
  }
  ShowPage(pgSettings);
  RealignSettings();
  if (!FCore.SettingsReady())
    CommandsExec(QStringLiteral("SettingsGet"));
}

void TMF::act_PageLog() {
  ShowPage(pgLog);
}

void TMF::act_PageFuel() {
  ShowPage(pgFuel);
}

void TMF::act_PageStation() {
  ShowPage(pgStation);
}

void TMF::ShowCommandsMenu() {
  btn_CommandsClick();
}

void TMF::UpdateFolders() {
  for (int page = pgWellcome; page <= pgStation; ++page) {
    const bool shown = page == FPage;
    QString name =
        (shown ? QStringLiteral("E_") : QStringLiteral("D_")) + QString::fromLatin1(kPageIcons[page]);
    if (page == pgWellcome && FUpdateAvailable)
      name = QStringLiteral("U_WELLCOME");
    FPageActions[page]->setIcon(FIcons.Icon(name, 24));
    FPageActions[page]->setProperty("iconName", name);
    FPageActions[page]->setToolTip(shown ? FPageActions[page]->property("hint").toString() : QString());
    FPageButtons[page]->setChecked(shown);
    FPageButtons[page]->setProperty("shown", shown);
  }
  FCommandsButton->setIcon(FIcons.Icon(QStringLiteral("I_PLAY"), 24));
  FPrintButton->setIcon(FIcons.Icon(QStringLiteral("I_PRINT"), 24));
  const QString pageIcon = QStringLiteral("E_") + QString::fromLatin1(kPageIcons[FPage]);
  FCaption->Image()->setPixmap(FIcons.Pixmap(pageIcon, 16, devicePixelRatioF()));
  setWindowIcon(FIcons.Icon(pageIcon, 32));
  // The marker follows the page button; a restyle re-evaluates the "shown" property.
  for (QToolButton* b : FPageButtons) {
    b->style()->unpolish(b);
    b->style()->polish(b);
  }
}

void TMF::SetUpdateAvailable(bool aValue) {
  FUpdateAvailable = aValue;
  UpdateFolders();
  StyleApply();
}

// ---- caption ----

QString TMF::CaptionText() const {
  const QString tail = FDictionary.Translate(QStringLiteral("ApplicationCaption")) + BuildDateSuffix();
  TPortInfo* port = const_cast<TMF*>(this)->Q();
  if (!port || port->DeviceName().isEmpty())
    return tail;
  if (port->DeviceVer().isEmpty())
    return port->DeviceName() + QStringLiteral(" - ") + tail;
  return DeviceDisplayName(port->DeviceVer(), port->DeviceSubVer()) + QStringLiteral(" - ") +
         port->DeviceName() + QStringLiteral(" - ") + tail;
}

void TMF::UpdateCaption() {
  const QString text = CaptionText();
  setWindowTitle(text);
  FCaption->Label()->setText(text);
  FCaption->MinimizeButton()->setIcon(FIcons.Icon(QStringLiteral("I_MINIMIZE"), 16));
  FCaption->CloseButton()->setIcon(FIcons.Icon(QStringLiteral("I_NO"), 16));
  FCaption->NormalizeButton()->setIcon(
      FIcons.Icon(isMaximized() ? QStringLiteral("I_NORMALIZE") : QStringLiteral("I_MAXIMIZE"), 16));
  FCaption->AdvanceButton()->setIcon(FIcons.Icon(QStringLiteral("I_PARAMS"), 16));
}

// ---- themes ----

void TMF::SetStyleMode(int aMode) {
  FState.Style = aMode;
  StyleApply();
}

void TMF::StyleApply() {
  FTheme = ThemeForMode(FState.Style, FState.Style == tmSystem && FDarkMode());
  FIcons.SetColors(FTheme.Text, FTheme.Accent, FTheme.Accent2);
  QPalette palette;
  palette.setColor(QPalette::Window, FTheme.Window);
  palette.setColor(QPalette::WindowText, FTheme.Text);
  palette.setColor(QPalette::Base, FTheme.Dark ? FTheme.Window : QColor(235, 238, 240));
  palette.setColor(QPalette::AlternateBase, FTheme.Panel);
  palette.setColor(QPalette::Text, FTheme.Text);
  palette.setColor(QPalette::Button, FTheme.Panel);
  palette.setColor(QPalette::ButtonText, FTheme.Text);
  palette.setColor(QPalette::Highlight, FTheme.Accent);
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::ToolTipBase, FTheme.Panel);
  palette.setColor(QPalette::ToolTipText, FTheme.Text);
  palette.setColor(QPalette::PlaceholderText, FTheme.Muted);
  QApplication::setPalette(palette);

  const QString window = FTheme.Window.name();
  const QString panel = FTheme.Panel.name();
  const QString text = FTheme.Text.name();
  const QString accent = FTheme.Accent.name();
  const QString hover =
      FTheme.Dark ? QStringLiteral("rgba(255,255,255,0.08)") : QStringLiteral("rgba(0,0,0,0.08)");
  const QString updateBack = FUpdateAvailable ? ColorRefToColor(clValuePlaceholder).name() : panel;
  setStyleSheet(QStringLiteral(R"(
    #MF, #LPanel, #PortsPanel, #PortsScrollBox, #EmptyPanel, #CaptionPanel, #MainPanel { background: %1; }
    #BorderT, #BorderB, #BorderL, #BorderR, #BorderTL, #BorderTR, #BorderBL, #BorderBR { background: %1; }
    #WellcomePanel, #InfoPanel, #SettingsPanel, #LogPanel, #FuelPanel, #PanelWC, #PanelT11, #LockedPanel,
    #PanelP1, #T1ScrollBox, #PanelT2, #T2ScrollBox, #PanelS1, #PanelS2, #PanelS3, #PanelS4, #PanelS5,
    #S1ScrollBox, #S2ScrollBox, #S3ScrollBox, #S4ScrollBox, #S5ScrollBox, #ProgressPanel { background: %2; }
    #PanelT0, #PanelWB, #VirtualLogPanel { background: %1; }
    #UpdatePanel { background: %6; }
    QLabel { color: %3; background: transparent; }
    #CaptionLabel { font-weight: 600; }
    #Label_noDevice, #PortName, #LabelSettingsVersion { color: %7; }
    #mes_locked { font-size: 15pt; color: %7; }
    #PageLabel, #LangLabel, #DataLabel { background: %4; }
    QToolButton { color: %3; border: none; border-radius: 4px; padding: 2px; background: transparent; }
    QToolButton:hover { background: %5; }
    QToolButton[shown="true"] { background: %2; }
    #CloseButton:hover { background: #e81123; }
    QLineEdit { background: %8; color: %3; border: 1px solid %7; border-radius: 3px; padding: 3px 6px; }
    QLineEdit:focus { border-color: %4; }
    QMenu { background: %2; color: %3; border: 1px solid %7; }
    QMenu::item:selected { background: %4; color: white; }
    QScrollBar:vertical { background: transparent; width: 8px; margin: 0; }
    QScrollBar::handle:vertical { background: %7; border-radius: 4px; min-height: 24px; }
    QScrollBar::add-line, QScrollBar::sub-line { height: 0; width: 0; }
    QScrollBar::add-page, QScrollBar::sub-page { background: none; }
  )")
                    .arg(window, panel, text, accent, hover, updateBack, FTheme.Muted.name(),
                         FTheme.Dark ? QColor(16, 23, 30).name() : QColor(235, 238, 240).name()));
  FHints->SetTheme(FTheme);
  FLogPage->SetTheme(FTheme);
  FStationPage->SetTheme(FTheme);
  StyleSettings();
  // Icons are tinted for the theme: load them again.
  for (TBaseClass* element : FVisualIndex.Elements()) {
    if (auto* item = qobject_cast<TItemClass*>(element))
      item->ReloadIcon();
    else if (auto* section = qobject_cast<TCaptionClass*>(element))
      section->ReloadIcon();
  }
  ApplyUpdatePanel();
  for (const char* name : {"btnSave", "btnOpen", "btnGet", "btnSet"}) {
    static const QHash<QByteArray, QString> icons{{"btnSave", QStringLiteral("I_SAVE")},
                                                  {"btnOpen", QStringLiteral("I_OPEN")},
                                                  {"btnGet", QStringLiteral("E_GET")},
                                                  {"btnSet", QStringLiteral("E_SET")}};
    if (auto* b = findChild<QToolButton*>(QString::fromLatin1(name)))
      b->defaultAction()->setIcon(FIcons.Icon(icons.value(name), 24));
  }
  FEmptyImage->setPixmap(FIcons.Pixmap(QStringLiteral("E_DRIVER"), 32, devicePixelRatioF()));
  FReplayPanel->SetIcons(FIcons);
  UpdateFolders();
  UpdateCaption();
  update();
}

// ---- persisted state ----

QRect TMF::VirtualScreen() const {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->virtualGeometry() : QRect(0, 0, 1920, 1080);
}

void TMF::ApplyGeometryFromState() {
  resize(qMax(FState.Width, minimumWidth()), qMax(FState.Height, minimumHeight()));
  const QRect screen = VirtualScreen();
  const int left = FState.Left >= 0 ? FState.Left : screen.x() + (screen.width() - width()) / 2;
  const int top = FState.Top >= 0 ? FState.Top : screen.y() + (screen.height() - height()) / 2;
  move(left, top);
}

void TMF::LoadState() {
  const int language = Language();
  FState.Language = language;
  FState.Load(FRegistry, VirtualScreen());
  if (FState.FirstRun) {
    // Nothing stored: the window opens at its initial size in the middle of the screen.
    const QRect screen = VirtualScreen();
    move(screen.x() + (screen.width() - width()) / 2, screen.y() + (screen.height() - height()) / 2);
    return;
  }
  ApplyGeometryFromState();
  FLogPage->SetSendPanelHeight(FState.SendPanelHeight);
  if (FState.Language != language)
    SetLanguage(FState.Language);
  FPrintButton->setVisible(FState.PrintVisible);
  FAdminMode->Load(FState.Param0);
}

void TMF::SaveState() {
  if (!isMaximized()) {
    FState.Width = width();
    FState.Height = height();
    FState.Left = x();
    FState.Top = y();
  }
  FState.Language = Language();
  FState.SendPanelHeight = FLogPage->SendPanelHeight();
  FState.Save(FRegistry, isMaximized());
}

void TMF::ResetToDefaults() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  FState.Reset(FRegistry, screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080));
  showNormal();
  ApplyGeometryFromState();
  SetLanguage(0);
  FLogPage->SetSendPanelHeight(FState.SendPanelHeight);
  FPrintButton->hide();
  FDiscovery->SetNoSwitchCOMAuto(false);
  FAdminMode->Forget();
}

// ---- keys, wheel, window events ----

bool TMF::HandleKey(QKeyEvent* aEvent) {
  const int key = aEvent->key();
  const quint32 scan = aEvent->nativeScanCode();
  if (key == Qt::Key_Escape)
    return true;
  const bool ctrl = aEvent->modifiers() & Qt::ControlModifier;
  if (!ctrl && (key == Qt::Key_QuoteLeft || scan == kScanGrave)) {
    ShowCommandsMenu();
    return true;
  }
  if (!ctrl)
    return false;
  switch (key) {
  case Qt::Key_1:
    act_PageWellcome();
    return true;
  case Qt::Key_2:
    act_PageInfo();
    return true;
  case Qt::Key_3:
    act_PageSettings();
    return true;
  case Qt::Key_4:
    act_PageLog();
    return true;
  case Qt::Key_5:
    ShowCommandsMenu();
    return true;
  default:
    break;
  }
  if (key == Qt::Key_D || scan == kScanD) {
    ResetToDefaults();
    StyleApply();
    LayoutMonitorColumns();
    return true;
  }
  if (key == Qt::Key_L || scan == kScanL) {
    ShowReplayPanel(!ReplayPanelVisible());
    return true;
  }
  if ((key == Qt::Key_Q || scan == kScanQ) && (aEvent->modifiers() & Qt::ShiftModifier)) {
    act_debug();
    return true;
  }
  if (key == Qt::Key_S || scan == kScanS) {
    ShowSettingsDialog();
    return true;
  }
  if (key == Qt::Key_P || scan == kScanP) {
    if (!Q() || !FState.PrintVisible)
      return false;
    btnPrintClick();
    return true;
  }
  return false;
}

bool TMF::HandleWheel(QWheelEvent* aEvent) {
  QWidget* under = QApplication::widgetAt(aEvent->globalPosition().toPoint());
  for (QWidget* w = under; w && w->window() == this; w = w->parentWidget()) {
    auto* box = qobject_cast<QScrollArea*>(w);
    if (!box || !box->isVisible() || !box->isEnabled())
      continue;
    const int delta = aEvent->angleDelta().y();
    if (delta == 0)
      return false;
    QScrollBar* bar = box->verticalScrollBar();
    bar->setValue(bar->value() + (delta > 0 ? -30 : 30));
    return true;
  }
  return false;
}

bool TMF::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aEvent->type() == QEvent::KeyPress || aEvent->type() == QEvent::ShortcutOverride) {
    auto* widget = qobject_cast<QWidget*>(aWatched);
    if (widget && widget->window() == this) {
      if (aEvent->type() == QEvent::ShortcutOverride)
        return false;
      if (HandleKey(static_cast<QKeyEvent*>(aEvent)))
        return true;
    }
  } else if ((aEvent->type() == QEvent::Resize || aEvent->type() == QEvent::Show) &&
             (aWatched == FPagePanels[pgInfo] || aWatched == FMonitorBoxes[0]->parentWidget())) {
    LayoutMonitorColumns();
  } else if (aEvent->type() == QEvent::MouseButtonPress && aWatched == FMonitorPanels[2]) {
    SwitchOutput();
  } else if (aEvent->type() == QEvent::Wheel) {
    QWidget* active = QApplication::activeWindow();
    if ((!active || active == this) && HandleWheel(static_cast<QWheelEvent*>(aEvent)))
      return true;
  }
  return QWidget::eventFilter(aWatched, aEvent);
}

void TMF::closeEvent(QCloseEvent* aEvent) {
  SaveState();
  FDiscovery->SetPortIndex(-1);
  aEvent->accept();
}

void TMF::resizeEvent(QResizeEvent* aEvent) {
  QWidget::resizeEvent(aEvent);
  FHints->Restack();
  LayoutMonitorColumns();
  AnimateEmptyColumn();
  // The strip is laid out after this event: place the marker once it is.
  QTimer::singleShot(0, this, &TMF::UpdatePageMarker);
}

void TMF::showEvent(QShowEvent* aEvent) {
  QWidget::showEvent(aEvent);
  QTimer::singleShot(0, this, &TMF::UpdatePageMarker);
}

void TMF::changeEvent(QEvent* aEvent) {
  QWidget::changeEvent(aEvent);
  if (aEvent->type() == QEvent::WindowStateChange)
    UpdateCaption();
}

// ---- timers ----

void TMF::StartupTick() {
  switch (FTimer2Stage++) {
  case 0:
    LoadState();
    StyleApply();
    FTimer2.setInterval(1000);
    return;
  case 1:
    if (FState.FirstRun)
      FirstRunOffer();
    return;
  default:
    break;
  }
  bool changed = FPrevPanelWidth != FPagePanels[pgInfo]->width();
  for (int i = 0; i < 5; ++i)
    if (FMonitorPanels[i]->height() != FPrevPanelHeights[i])
      changed = true;
  if (changed) {
    for (int i = 0; i < 5; ++i)
      FPrevPanelHeights[i] = FMonitorPanels[i]->height();
    FPrevPanelWidth = FPagePanels[pgInfo]->width();
    LayoutMonitorColumns();
  }
  FPagePanels[pgInfo]->update();
}

// ---- ports ----

void TMF::PortCreated(TPortInfo* aPort, int) {
  auto* button = new TPortButton(*this, aPort, FPortsPanel);
  auto* layout = static_cast<QVBoxLayout*>(FPortsPanel->layout());
  // Buttons stack in list order above the stretch.
  layout->insertWidget(layout->count() - 1, button);
}

void TMF::ShowEmptyState(bool aEmpty) {
  FEmptyPanel->setVisible(aEmpty);
  FEmptyImage->setVisible(aEmpty);
  FPortsScrollBox->setVisible(!aEmpty);
  if (aEmpty)
    FTimer1.start();
  else
    FTimer1.stop();
}

void TMF::RealignPorts() {
  const bool bar = FPortsScrollBox->verticalScrollBar()->isVisible();
  const int w = bar ? FPortsScrollBox->verticalScrollBar()->width() : 0;
  FLPanel->setFixedWidth(78 + w);
  for (TPortButton* b : FPortsPanel->findChildren<TPortButton*>())
    b->setVisible(b->Port() && b->Port()->Exist());
  FPortsPanel->adjustSize();
  UpdatePageMarker();
}

void TMF::PortSelectionChanged(int aIndex) {
  if (aIndex >= 0)
    FPasswordEdit->setText(QString::fromLatin1(kDefaultDevicePassword));
  if (aIndex < 0 && FPage == pgSettings)
    act_PageWellcome();
  else if (aIndex >= 0 && FPage == pgWellcome)
    ShowPage(pgInfo);
  UpdateCaption();
  for (TPortButton* b : FPortsPanel->findChildren<TPortButton*>())
    b->update();
  // The port the window leaves may be the station's now, and the one it takes no longer is.
  FStation->Refresh();
}

void TMF::PortPressed(TPortInfo* aPort) {
  FDiscovery->PortPressed(FDiscovery->List().IndexOf(aPort));
}

void TMF::AnimateEmptyColumn() {
  const int tick = FTimer1Tag;
  FTimer1Tag = (FTimer1Tag + 1) % 250;
  auto ease = [](int aStep, double aStart, double aEnd) {
    return int(std::lround(aStart + (1 - std::cos(aStep * M_PI / 15)) * (aEnd - aStart) / 2));
  };
  int offset = FEmptyImage->property("offset").toInt();
  if (tick <= 15)
    offset = ease(tick, 0, 60);
  else if (tick >= 30 && tick <= 45)
    offset = ease(tick - 30, 0, 60);
  else if (tick >= 60 && tick <= 75)
    offset = ease(tick - 60, 60, 0);
  FEmptyImage->setProperty("offset", offset);
  FEmptyImage->move(0, FLPanel->height() - FEmptyImage->height() + 16 - offset);
  FEmptyImage->update();
}

// ---- monitor layout ----

void TMF::UpdatePanelHeight(QWidget* aPanel, QScrollArea* aScrollBox) {
  int tallest = 0;
  for (QObject* child : aPanel->children())
    if (auto* e = qobject_cast<TBaseClass*>(child); e && !e->isHidden())
      tallest = qMax(tallest, qMax(e->FullHeight(), e->height()));
    else if (auto* w = qobject_cast<QWidget*>(child); w && !w->isHidden())
      tallest = qMax(tallest, w->height());
  aPanel->resize(aScrollBox->viewport()->width(), tallest + 32);
}

void TMF::ScrollBoxResize() {
  for (int i = 0; i < 5; ++i)
    UpdatePanelHeight(FMonitorPanels[i], FMonitorBoxes[i]);
}

int TMF::MonitorColumnCount() const {
  auto shows = [](const QWidget* aPanel) {
    for (QObject* child : aPanel->children())
      if (auto* e = qobject_cast<TBaseClass*>(child); e && !e->isHidden() && e->FullHeight() > 0)
        return true;
    return false;
  };
  if (!shows(FMonitorPanels[3]))
    return 3;
  if (FState.AdvanceCAN && shows(FMonitorPanels[4]))
    return 5;
  return 4;
}

void TMF::LayoutMonitorColumns() {
  // The columns' own panel: the trend pane may take the page's lower part.
  QWidget* page = FMonitorBoxes[0]->parentWidget();
  const int n = MonitorColumnCount();
  FShownColumns = n;
  const int W = page->width();
  const int column = (W - 5 * n + 5) / n;
  for (int i = 0; i < 5; ++i) {
    QScrollArea* box = FMonitorBoxes[i];
    if (i >= n) {
      box->hide();
      continue;
    }
    const int x = i * (column + 5);
    box->setGeometry(x, 0, i == n - 1 ? W - x : column, page->height());
    box->show();
    UpdatePanelHeight(FMonitorPanels[i], box);
  }
}
