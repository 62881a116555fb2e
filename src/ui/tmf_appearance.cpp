// The window's language and looks: the dictionary and Qt's texts, the caption, the themes.

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

QString AfterFirstUnderscore(const QString& aName) {
  return aName.section(QLatin1Char('_'), 1);
}

} // namespace

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
