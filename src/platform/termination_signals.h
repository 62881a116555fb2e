#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal on the event loop, so the window closes the normal way
// (and saves its state) when a script or a test ends the program. A second signal ends the
// program at once with 128 + its number.
class TTerminationSignals : public QObject {
  Q_OBJECT
public:
  explicit TTerminationSignals(QObject* aParent = nullptr);
  ~TTerminationSignals() override;

Q_SIGNALS:
  void TerminationRequested(int aSignal);

private:
  void Drain();
  QSocketNotifier* FNotifier = nullptr;
};
