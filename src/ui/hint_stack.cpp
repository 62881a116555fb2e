#include "ui/hint_stack.h"

#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

THintStack::THintStack(QWidget* aHost) : QObject(aHost), FHost(aHost) {
  FTimer.setInterval(kLifetimeMs);
  connect(&FTimer, &QTimer::timeout, this, &THintStack::HideOldest);
}

QList<QLabel*> THintStack::Hints() const {
  QList<QLabel*> out;
  for (const THint& h : FHints)
    out << h.Label;
  return out;
}

void THintStack::Paint(const THint& aHint) {
  const QColor back = HintColor(FTheme, aHint.Kind);
  const QColor fore = HintTextColor(FTheme, aHint.Kind);
  aHint.Label->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border-radius: 4px; "
                                            "padding: 0 24px; font-weight: 600; }")
                                 .arg(back.name(), fore.name()));
}

void THintStack::Show(int aKind, const QString& aText) {
  if (FHints.size() >= kMaxHints) {
    while (FHints.size() >= kMaxHints)
      delete FHints.takeFirst().Label;
    Restack(); // no gap where the oldest was
  }
  auto* label = new QLabel(aText, FHost);
  label->setObjectName(QStringLiteral("Hint"));
  label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  // Measured with the style applied (bold, padding), so the text is never cut.
  FHints.append({label, aKind});
  Paint(FHints.last());
  FHints.removeLast();
  label->ensurePolished();
  const int width = qMax(QFontMetrics(font).horizontalAdvance(aText) + 48, label->sizeHint().width() + 4);
  int bottom = FHost->height() - kBottomMargin;
  for (const THint& h : FHints)
    bottom -= h.Label->height() + kGap;
  label->setGeometry(FHost->width() - kRightMargin - width, bottom - kHeight, width, kHeight);
  FHints.append({label, aKind});
  Paint(FHints.last());
  label->show();
  label->raise();
  // Started only when idle: restarting it for every new hint would keep the oldest on screen for
  // as long as hints keep coming.
  if (!FTimer.isActive())
    FTimer.start();
}

void THintStack::HideOldest() {
  if (!FHints.isEmpty())
    delete FHints.takeFirst().Label;
  Restack();
  if (FHints.isEmpty())
    FTimer.stop();
}

void THintStack::Restack() {
  int bottom = FHost->height() - kBottomMargin;
  for (const THint& h : FHints) {
    QLabel* l = h.Label;
    l->move(FHost->width() - kRightMargin - l->width(), bottom - l->height());
    l->raise();
    bottom -= l->height() + kGap;
  }
}

void THintStack::SetTheme(const TThemeColors& aTheme) {
  FTheme = aTheme;
  for (const THint& h : FHints)
    Paint(h);
}
