#pragma once

#include <QEvent>
#include <QObject>
#include <cstdio>

// Start-up benchmarks measure the time to the first frame from outside: with VELMORA_REPORT_SHOWN
// set, a program prints "shown" on standard output when its window is first exposed.
class TShownReporter : public QObject {
public:
  using QObject::QObject;

  static bool Wanted() { return qEnvironmentVariableIsSet("VELMORA_REPORT_SHOWN"); }

protected:
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override {
    if (aEvent->type() == QEvent::Expose) {
      std::printf("shown\n");
      std::fflush(stdout);
      aWatched->removeEventFilter(this);
    }
    return false;
  }
};
