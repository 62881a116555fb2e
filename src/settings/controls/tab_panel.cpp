#include "settings/controls/tab_panel.h"

#include "style/theme.h"

#include <QLabel>
#include <QMouseEvent>

namespace {
QWidget* Bar(QWidget* aParent, const char* aName) {
  auto* w = new QWidget(aParent);
  w->setObjectName(QString::fromLatin1(aName));
  w->setAttribute(Qt::WA_StyledBackground);
  return w;
}

void Paint(QWidget* aWidget, const QColor& aColor) {
  // The window's style sheet would win over a palette.
  aWidget->setStyleSheet(QStringLiteral("background: %1;").arg(aColor.name()));
}

QList<TTabPanel*> Tabs(QWidget* aOwner) {
  QList<TTabPanel*> out;
  for (QObject* child : aOwner->children())
    if (auto* tab = qobject_cast<TTabPanel*>(child))
      out.append(tab);
  return out;
}
} // namespace

TTabPanel::TTabPanel(QWidget* aOwner, const TThemeColors& aTheme)
    : QWidget(aOwner), FOwner(aOwner), FTheme(aTheme) {
  FIndex = int(Tabs(aOwner).size()) - 1; // this tab is already a child
  setObjectName(QStringLiteral("Tab%1").arg(FIndex));
  setAttribute(Qt::WA_StyledBackground);
  FLabel = new QLabel(this);
  FLabel->setObjectName(QStringLiteral("TabCaption"));
  FLabel->setWordWrap(true);
  FLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  LPanel = Bar(this, "TabLPanel");
  RPanel = Bar(this, "TabRPanel");
  BPanel = Bar(this, "TabBPanel");
  APanel = Bar(BPanel, "TabAPanel");
  SPanel = Bar(BPanel, "TabSPanel");
  setGeometry(0, FIndex * kHeight, aOwner->width(), kHeight);
  aOwner->setFixedHeight(kHeight * (FIndex + 1));
  show();
  UpdateStyle();
}

void TTabPanel::resizeEvent(QResizeEvent*) {
  const int w = width();
  const int h = height();
  LPanel->setGeometry(0, 0, 4, h);
  RPanel->setGeometry(w - 5, 0, 5, h);
  BPanel->setGeometry(0, h - 5, w, 5);
  APanel->setGeometry(w - 5, 0, 5, 5);
  SPanel->setGeometry(12, 2, qMax(0, w - 17 - 12), 1);
  FLabel->setGeometry(12, 0, qMax(0, w - 12 - 8), h - 5);
}

void TTabPanel::SetCaption(const QString& aValue) {
  FCaption = aValue;
  FLabel->setText(aValue);
}

void TTabPanel::SetChecked(bool aValue) {
  FChecked = aValue;
  if (aValue) {
    FOwner->setProperty("Tag", FIndex);
    for (TTabPanel* other : Tabs(FOwner))
      if (other != this && other->FChecked) {
        other->FChecked = false;
        if (other->FWinControl)
          other->FWinControl->hide();
      }
    for (TTabPanel* tab : Tabs(FOwner))
      tab->UpdateStyle();
    if (FWinControl) {
      FWinControl->show();
      FWinControl->raise();
    }
  } else {
    UpdateStyle();
    if (FWinControl)
      FWinControl->hide();
  }
}

void TTabPanel::UpdateStyle() {
  const QList<TTabPanel*> tabs = Tabs(FOwner);
  const int checked = FOwner->property("Tag").isValid() ? FOwner->property("Tag").toInt() : -1;
  const bool aboveChecked = !FChecked && checked >= 0 && FIndex == checked - 1 && checked < tabs.size() &&
                            tabs.at(checked)->FChecked;
  Paint(this, FTheme.Panel);
  Paint(LPanel, FHover ? QColor(192, 192, 192) : (FChecked ? FTheme.Accent : FTheme.Panel));
  Paint(RPanel, FChecked ? FTheme.Panel : FTheme.Window);
  Paint(BPanel, FChecked ? FTheme.Window : (aboveChecked ? FTheme.Window : FTheme.Panel));
  Paint(APanel, FTheme.Window);
  Paint(SPanel, FTheme.Window);
  FLabel->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(FTheme.Text.name()));
}

void TTabPanel::mousePressEvent(QMouseEvent* aEvent) {
  if (aEvent->button() == Qt::LeftButton) {
    SetChecked(true);
    Q_EMIT NotifyEvent(this);
  }
}

void TTabPanel::enterEvent(QEnterEvent*) {
  FHover = true;
  UpdateStyle();
}

void TTabPanel::leaveEvent(QEvent*) {
  FHover = false;
  UpdateStyle();
}
