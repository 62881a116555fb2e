#pragma once

// The real window on a device played by velmora-devsim: the simulator on a pseudo-terminal behind
// a link, discovery pointed at the link, the window in English at 1280×800.

#include "core/exchange_core.h"
#include "platform/registry.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"

#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

inline const QString kSimTrackerHardwareId = QStringLiteral("USB\\VID_0483&PID_5740&REV_0200");

struct TSimWindowBase {
  QTemporaryDir Dir;
  QProcess Simulator;
  TRegistry Registry;
  std::unique_ptr<TMF> Window;

  TSimWindowBase() = default;
  TSimWindowBase(const TSimWindowBase&) = delete;
  TSimWindowBase& operator=(const TSimWindowBase&) = delete;
  ~TSimWindowBase() {
    Window.reset();
    Simulator.terminate();
    Simulator.waitForFinished(5000);
  }

  QString Link() const { return Dir.filePath(QStringLiteral("sim0")); }

  // Starts the simulator with aArgs (its link added) and lists it as a port with aHardwareId;
  // false when it does not start or its terminal does not appear.
  bool StartSimulator(const QStringList& aArgs, const QString& aHardwareId = kSimTrackerHardwareId) {
    Simulator.start(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"),
                    aArgs + QStringList{QStringLiteral("--link"), Link()});
    if (!Simulator.waitForStarted(5000))
      return false;
    for (int i = 0; i < 100 && !QFileInfo::exists(Link()); ++i)
      QTest::qWait(50);
    qputenv("VELMORA_EXTRA_PORTS", (Link() + QLatin1Char('=') + aHardwareId).toLocal8Bit());
    return QFileInfo::exists(Link());
  }

  // Creates the window with a clean form state, in English; the caller shows it (after giving it
  // whatever seams the test scripts).
  TMF& CreateWindow() {
    Registry.DeleteKey(QStringLiteral("Forms"));
    Window = std::make_unique<TMF>(Registry, [] { return false; });
    Window->SetLanguage(1);
    Window->resize(1280, 800);
    return *Window;
  }

  // Every line the window sent, in order.
  QStringList Sent() const {
    QStringList out;
    TExchangeCore& core = Window->Core();
    for (const TPacket& p : core.PacketIndex())
      if (p.State == psSent)
        out << core.TrafficLog().AsText(p.Position, p.Size);
    return out;
  }
  bool HintShown(const QString& aText) const {
    for (QLabel* l : Window->Hints().Hints())
      if (l->text() == aText)
        return true;
    return false;
  }
};
