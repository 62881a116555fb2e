#include "monitor/repaint_queue.h"

#include "monitor/elements.h"

#include <algorithm>

TRepaintQueue::TRepaintQueue(QObject* aParent) : QObject(aParent) {
  FTimer.setSingleShot(true);
  FTimer.setInterval(kIntervalMs);
  connect(&FTimer, &QTimer::timeout, this, &TRepaintQueue::Flush);
}

TRepaintQueue::~TRepaintQueue() {
  // Elements that outlive the queue must not wait for it.
  for (TBaseClass* element : FDirty)
    if (element)
      element->FRepaintQueued = false;
}

void TRepaintQueue::Request(TBaseClass* aElement) {
  if (aElement->FRepaintQueued)
    return;
  aElement->FRepaintQueued = true;
  FDirty.push_back(aElement);
  ++FPending;
  ++FQueued;
  if (!FTimer.isActive())
    FTimer.start();
}

void TRepaintQueue::Remove(TBaseClass* aElement) {
  if (!aElement->FRepaintQueued)
    return;
  aElement->FRepaintQueued = false;
  // The last asked is the likeliest to go (an element is made, takes a value and goes again).
  const auto it = std::find(FDirty.rbegin(), FDirty.rend(), aElement);
  if (it != FDirty.rend()) {
    *it = nullptr;
    --FPending;
  }
}

void TRepaintQueue::Flush() {
  FTimer.stop();
  // A repaint may queue again (a value set from a paint): that waits for the next refresh.
  std::vector<TBaseClass*> dirty;
  dirty.swap(FDirty);
  FPending = 0;
  for (TBaseClass* element : dirty)
    if (element) {
      element->FRepaintQueued = false;
      element->update();
    }
  // Keeps the room for the next refresh.
  if (FDirty.empty()) {
    dirty.clear();
    FDirty.swap(dirty);
  }
}
