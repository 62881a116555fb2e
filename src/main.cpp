#include "base/build_info.h"
#include "platform/app_paths.h"
#include "platform/registry.h"
#include "platform/termination_signals.h"
#include "ui/shown_reporter.h"
#include "ui/tmf.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QProcess>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char* argv[]) {
  // Answered before any window system is touched: the self-update asks a new program this to see
  // that it starts and is the build it was announced as.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", qPrintable(VersionText(BuildDate())));
    return 0;
  }
  // The welcome page's web engine shares its graphics context with the window.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
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
  auto window = std::make_unique<TMF>(registry);
  TTerminationSignals signals_;
  QObject::connect(&signals_, &TTerminationSignals::TerminationRequested, window.get(), &QWidget::close);
  window->show();
  // Start-up benchmarks want to know when the window is first on screen.
  if (TShownReporter::Wanted() && window->windowHandle())
    window->windowHandle()->installEventFilter(new TShownReporter(window.get()));

  const QStringList files = parser.positionalArguments();
  if (!files.isEmpty()) {
    window->ShowReplayPanel(true);
    if (window->OpenReplay(files.constFirst()) && parser.isSet(play))
      window->ReplayPlay();
  }
  const int code = QApplication::exec();
  const bool restart = window->RestartRequested();
  const QString program = window->ProgramPath();
  // The window releases the ports as it goes; only then may the new program take them.
  window.reset();
  if (restart)
    QProcess::startDetached(program, QCoreApplication::arguments().mid(1));
  return code;
}
