#pragma once

#include <QObject>
#include <QTimer>
#include <vector>

class TBaseClass;

// Repaints of the monitor's elements at the screen's pace: an element whose value changed asks for
// a repaint, and every element asked for since the last refresh repaints together when the refresh
// comes, once however many values it took meanwhile. A value stream of thousands of values a second
// then costs a paint per element and refresh, not one per value.
class TRepaintQueue : public QObject {
  Q_OBJECT
public:
  // About 30 refreshes a second.
  static constexpr int kIntervalMs = 33;

  explicit TRepaintQueue(QObject* aParent = nullptr);
  ~TRepaintQueue() override;

  // Queues aElement for the next refresh (once, however often it asks) and arms the refresh.
  void Request(TBaseClass* aElement);
  // An element that goes leaves the queue.
  void Remove(TBaseClass* aElement);
  // The refresh itself, now: every queued element repaints (asks Qt to, as update() does).
  void Flush();
  // Elements waiting for the next refresh.
  int Pending() const { return FPending; }
  // Requests that queued an element, since construction (a request of an element already queued
  // does not count).
  quint64 Queued() const { return FQueued; }

private:
  QTimer FTimer;
  // The queued elements in the order they asked; an element that went leaves a null behind.
  std::vector<TBaseClass*> FDirty;
  int FPending = 0;
  quint64 FQueued = 0;
};
