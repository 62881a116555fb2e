#include "platform/app_paths.h"
#include "platform/registry.h"
#include "platform/termination_signals.h"
#include "ui/tmf.h"

#include <QApplication>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Velmora"));
  QApplication::setApplicationName(QStringLiteral("Velmora"));
  // One look on every desktop: the window paints its own chrome and themes.
  QApplication::setStyle(QStringLiteral("Fusion"));
  AppDataFolder();

  TRegistry registry;
  TMF window(registry);
  TTerminationSignals signals_;
  QObject::connect(&signals_, &TTerminationSignals::TerminationRequested, &window, &QWidget::close);
  window.show();
  return QApplication::exec();
}
