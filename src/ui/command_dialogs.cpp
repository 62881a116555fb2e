#include "ui/command_dialogs.h"

#include <QColor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TCommandDialog::TCommandDialog(QWidget* aParent, const QString& aName, const QString& aTitle,
                               const QSize& aSize, const QList<TField>& aFields, const QString& aHeading,
                               const QColor* aHeadingColor)
    : QDialog(aParent) {
  setObjectName(aName);
  setWindowTitle(aTitle);
  setFixedSize(aSize);
  auto* layout = new QVBoxLayout(this);
  if (!aHeading.isEmpty()) {
    auto* heading = new QLabel(aHeading, this);
    heading->setObjectName(QStringLiteral("HeadingLabel"));
    heading->setTextFormat(Qt::PlainText);
    heading->setWordWrap(true);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    if (aHeadingColor)
      heading->setStyleSheet(QStringLiteral("color: %1;").arg(aHeadingColor->name()));
    layout->addWidget(heading);
  }
  for (const TField& field : aFields) {
    auto* label = new QLabel(field.Label, this);
    label->setTextFormat(Qt::PlainText);
    auto* edit = new QLineEdit(field.Text, this);
    edit->setObjectName(field.Name);
    label->setBuddy(edit);
    layout->addWidget(label);
    layout->addWidget(edit);
    FEdits.append(edit);
  }
  layout->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  if (!FEdits.isEmpty())
    FEdits.first()->setFocus();
}

QString TCommandDialog::Value(int aIndex) const {
  const QLineEdit* edit = Edit(aIndex);
  return edit ? edit->text() : QString();
}

void TCommandDialog::ShowModal() {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::ApplicationModal);
  const QScreen* screen = parentWidget() && parentWidget()->screen() ? parentWidget()->screen()
                                                                     : QGuiApplication::primaryScreen();
  if (screen) {
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
  }
  show();
}
