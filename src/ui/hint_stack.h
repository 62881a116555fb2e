#pragma once

#include "style/theme.h"

#include <QList>
#include <QObject>
#include <QTimer>

class QLabel;
class QWidget;

// Short messages stacked up from the bottom-right corner of the window: at most five, the oldest
// goes first, and a 5 s timer takes the oldest away one by one.
class THintStack : public QObject {
  Q_OBJECT
public:
  static constexpr int kMaxHints = 5;
  static constexpr int kHeight = 30;
  static constexpr int kGap = 8;
  static constexpr int kRightMargin = 16;
  static constexpr int kBottomMargin = 110;
  static constexpr int kLifetimeMs = 5000;

  explicit THintStack(QWidget* aHost);

  // Kinds: 0 error, 1 success, 2 notice, 3 information.
  void Show(int aKind, const QString& aText);
  // Removes the oldest hint and restacks the rest (the timer's tick).
  void HideOldest();
  void Restack();
  void SetTheme(const TThemeColors& aTheme);

  int Count() const { return int(FHints.size()); }
  QList<QLabel*> Hints() const;
  QTimer& Timer() { return FTimer; }

private:
  struct THint {
    QLabel* Label;
    int Kind;
  };
  void Paint(const THint& aHint);

  QWidget* FHost;
  QList<THint> FHints;
  QTimer FTimer;
  TThemeColors FTheme = DarkTheme();
};
