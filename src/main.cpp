#include "platform/app_paths.h"
#include "platform/registry.h"
#include "platform/termination_signals.h"
#include "ui/tmf.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Velmora"));
  QApplication::setApplicationName(QStringLiteral("Velmora"));
  // One look on every desktop: the window paints its own chrome and themes.
  QApplication::setStyle(QStringLiteral("Fusion"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Service tool for vehicle telematics devices."));
  parser.addHelpOption();
  parser.addPositionalArgument(
      QStringLiteral("log"),
      QStringLiteral("An exchange log (.log) to open in the VIRTUAL port, paused at its start."));
  const QCommandLineOption play(QStringLiteral("play"), QStringLiteral("Start playing the log at once."));
  parser.addOption(play);
  parser.process(app);

  AppDataFolder();
  TRegistry registry;
  TMF window(registry);
  TTerminationSignals signals_;
  QObject::connect(&signals_, &TTerminationSignals::TerminationRequested, &window, &QWidget::close);
  window.show();

  const QStringList files = parser.positionalArguments();
  if (!files.isEmpty()) {
    window.ShowReplayPanel(true);
    if (window.OpenReplay(files.constFirst()) && parser.isSet(play))
      window.ReplayPlay();
  }
  return QApplication::exec();
}
