// What the main window does: pages, hints, keys, persisted state, timers (its language and looks are
// in tmf_appearance.cpp).

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
