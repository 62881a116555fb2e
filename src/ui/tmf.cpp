#include "ui/tmf.h"

#include "base/clock.h"

#include <QLabel>

TMF::TMF(QWidget* aParent) : QMainWindow(aParent), FCore(*this, TClock::System()) {
  setWindowTitle(QStringLiteral("Velmora"));
  auto* empty = new QLabel(tr("Device not found"), this);
  empty->setAlignment(Qt::AlignCenter);
  setCentralWidget(empty);
  resize(1024, 700);
}

TMF::~TMF() = default;
