// The yardstick of start-up: a window of the same toolkit with nothing in it but a label. With
// VELMORA_REPORT_SHOWN set it prints "shown" when its window is first exposed, as Velmora does.

#include "ui/shown_reporter.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(new QLabel(QStringLiteral("Velmora"), &window));
  window.resize(1280, 800);
  TShownReporter reporter;
  window.show();
  if (TShownReporter::Wanted())
    window.windowHandle()->installEventFilter(&reporter);
  return QApplication::exec();
}
