#include "settings/controls/choice_classes.h"

#include "monitor/monitor_context.h"
#include "settings/controls/settings_context.h"

#include <QCheckBox>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>

// ---- TFlagClass ----

TFlagClass::TFlagClass(TSettingsContext& aContext, QWidget* aParent) : TControlClass(aContext, aParent) {
  FCheck = new QCheckBox(this);
  FCheck->setObjectName(QStringLiteral("Check"));
  FCheck->installEventFilter(this);
  FControl = FCheck;
}

bool TFlagClass::GetValue(QVariant& aValue) const {
  aValue = qint64(FCheck->isChecked() ? 1 : 0);
  return true;
}

void TFlagClass::ShowValue(const QVariant& aValue) {
  // A number 1 or the text "1"; anything else leaves it clear.
  FCheck->setChecked(!IsEmptyValue(aValue) && aValue.toString() == QLatin1String("1"));
}

void TFlagClass::Layout() {
  const double a = width() - 24.0;
  const int h = FCheck->sizeHint().height();
  if (!FCaption.isEmpty()) {
    PlaceLabel(FCLabel, 0, 0.6 * a);
    Place(FCheck, 0.6 * a + 12, h);
    PlaceLabel(FULabel, 0.6 * a + 12 + h, 0.4 * a - h);
  } else {
    FCLabel->hide();
    Place(FCheck, 12, h);
    PlaceLabel(FULabel, 12 + h, width() - 36 - h - 36);
  }
}

// ---- TListClass ----

void TMyComboBox::wheelEvent(QWheelEvent* aEvent) {
  aEvent->ignore();
}

TListClass::TListClass(TSettingsContext& aContext, QWidget* aParent) : TControlClass(aContext, aParent) {
  FCombo = new TMyComboBox(this);
  FCombo->setObjectName(QStringLiteral("Combo"));
  FCombo->setMaxVisibleItems(12);
  FCombo->setFocusPolicy(Qt::StrongFocus);
  FCombo->installEventFilter(this);
  FCombo->setCurrentIndex(-1);
  FControl = FCombo;
}

void TListClass::AddDicItem(int aID, const QString& aDict) {
  FValues.append({aID, aDict});
}

void TListClass::Init() {
  const int selected = FCombo->currentIndex();
  for (int i = 0; i < FValues.size(); ++i) {
    const QString text = FContext.Translate(FValues.at(i).second);
    if (i < FCombo->count())
      FCombo->setItemText(i, text);
    else
      FCombo->addItem(text);
  }
  FCombo->setCurrentIndex(selected);
}

bool TListClass::GetValue(QVariant& aValue) const {
  const int index = FCombo->currentIndex();
  if (index < 0 || index >= FValues.size()) {
    aValue = QVariant();
    return false;
  }
  aValue = qint64(FValues.at(index).first);
  return true;
}

void TListClass::ShowValue(const QVariant& aValue) {
  int index = -1;
  if (!IsEmptyValue(aValue)) {
    bool ok = false;
    const qint64 wanted = aValue.toLongLong(&ok);
    for (int i = 0; ok && i < FValues.size(); ++i)
      if (FValues.at(i).first == wanted) {
        index = i;
        break;
      }
  }
  FCombo->setCurrentIndex(index);
  // A value the list has no item for (the device's own, from a newer firmware) stays visible as
  // its number and is kept when written.
  const bool outside = index < 0 && !IsEmptyValue(aValue);
  FCombo->setPlaceholderText(outside ? aValue.toString() : QString());
  SetOwnMark(outside && !IsEmptyValue(FDeviceValue) && aValue.toString() == FDeviceValue.toString());
}

void TListClass::SetSettings(int aValue) {
  TControlClass::SetSettings(aValue);
  if (aValue == 0)
    FCombo->setEnabled(false);
}

void TListClass::Layout() {
  LayoutEditor(false);
}

// ---- TButtonClass ----

TButtonClass::TButtonClass(TSettingsContext& aContext, QWidget* aParent) : TControlClass(aContext, aParent) {
  FButton = new QToolButton(this);
  FButton->setObjectName(QStringLiteral("Button"));
  FButton->setAutoRaise(true);
  FControl = FButton;
  connect(FButton, &QToolButton::clicked, this, [this, &aContext] {
    if (aContext.RunCommand)
      aContext.RunCommand(FIdent);
  });
  resize(width(), kButtonHeight);
}

void TButtonClass::SetCaption(const QString& aValue) {
  TControlClass::SetCaption(aValue);
  FButton->setText(FCaption);
  FCLabel->hide();
}

void TButtonClass::Layout() {
  const int m = qMax(width() / 6, 60);
  FButton->setGeometry(m, 4, qMax(0, width() - 2 * m), height() - 8);
  FCLabel->hide();
  FULabel->hide();
}
