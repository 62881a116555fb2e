#pragma once

#include "style/theme.h"

#include <QPointer>
#include <QString>
#include <functional>

class QPoint;
class QWidget;
class TClock;
class TItemClass;
class TRepaintQueue;
class TDictionary;
class TIcons;
class TVisualIndex;

// What the monitor's elements need from the window: texts, icons, colours, time, and where to
// report size changes and hints. The window owns it and keeps the pointers valid.
struct TMonitorContext {
  const TDictionary* Dictionary = nullptr;
  const TIcons* Icons = nullptr;
  const TThemeColors* Theme = nullptr;
  const TClock* Clock = nullptr;
  TVisualIndex* Index = nullptr;
  // Where elements ask for repaints, done at the screen's pace; without one they repaint at once.
  // Guarded: elements may outlive the queue (a window's children go in creation order), and one
  // that goes after it must not reach into it.
  QPointer<TRepaintQueue> Repaint;
  // Fits a page panel's height to its content.
  std::function<void(QWidget* aPanel)> FitPanel;
  std::function<void(int aKind, const QString& aText)> Hint;
  // The context menu of a value line, at a point on the screen.
  std::function<void(TItemClass* aItem, const QPoint& aGlobal)> ItemMenu;

  QString Translate(const QString& aKey) const;
};
