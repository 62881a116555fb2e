#include "settings/controls/control_class.h"

#include "monitor/monitor_context.h"
#include "settings/controls/history_popup.h"
#include "settings/controls/settings_context.h"
#include "style/theme.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <cmath>

TControlClass::TControlClass(TSettingsContext& aContext, QWidget* aParent)
    : TBaseClass(*aContext.Monitor, aParent), FSettings(aContext) {
  FCLabel = new QLabel(this);
  FCLabel->setObjectName(QStringLiteral("CLabel"));
  FCLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  FULabel = new QLabel(this);
  FULabel->setObjectName(QStringLiteral("ULabel"));
  FULabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  FCLabel->hide();
  FULabel->hide();
  FFlashTimer.setSingleShot(true);
  FFlashTimer.setInterval(kFlashMs);
  connect(&FFlashTimer, &QTimer::timeout, this, [this] {
    if (FEdit)
      FEdit->setStyleSheet(FFlashOldStyle);
  });
  resize(width(), kHeight);
  UpdateStyle();
}

TControlClass::~TControlClass() {
  // The pop-up is a window of its own; it goes with its element.
  delete FHistoryForm;
}

void TControlClass::SetCaption(const QString& aValue) {
  TBaseClass::SetCaption(aValue);
  FCLabel->setText(FCaption);
  Layout();
}

void TControlClass::SetUnits(const QString& aValue) {
  FUnits = aValue;
  FULabel->setText(aValue);
  Layout();
}

void TControlClass::SetSettings(int aValue) {
  FSetting = aValue;
  if (aValue == 0)
    ApplyReadOnly();
}

void TControlClass::SetTextKeys(const QString& aCaptionKey, const QString& aUnitsKey) {
  FCaptionKey = aCaptionKey;
  FUnitsKey = aUnitsKey;
}

void TControlClass::Retranslate() {
  if (FCaptionKey.isNull() && FUnitsKey.isNull()) {
    TBaseClass::Retranslate();
    return;
  }
  SetCaption(FContext.Translate(FCaptionKey));
  SetUnits(FContext.Translate(FUnitsKey));
  Init();
}

void TControlClass::UpdateStyle() {
  const QColor color = CaptionColor();
  // The window's style sheet colours every label; only a sheet of the label's own overrides it.
  // The device's own value outside the bounds shows in a slanted caption.
  const QString sheet = QStringLiteral("color: %1; background: transparent;%2")
                            .arg(color.name(), FOwnMark ? QStringLiteral(" font-style: italic;") : QString());
  FCLabel->setStyleSheet(sheet);
  FULabel->setStyleSheet(sheet);
}

QColor TControlClass::CaptionColor() const {
  if (!FContext.Theme)
    return FRed ? QColor(255, 0, 0) : QColor(Qt::green);
  return FRed ? FContext.Theme->Alarm : FContext.Theme->Accent;
}

void TControlClass::SetValue(const QVariant& aValue) {
  TBaseClass::SetValue(aValue);
  FIsSet = true;
  ShowValue(aValue);
  if (FHistoryForm && !(FEdit && FEdit->hasFocus()))
    FHistoryForm->CloseUp();
}

void TControlClass::SetDeviceValue(const QVariant& aValue) {
  // Before the value is shown: showing it checks it.
  FDeviceValue = aValue;
  SetValue(aValue);
}

QString TControlClass::ExceptOwnValue(const QString& aMessage, const QString& aShown) {
  const QString deviceText = IsEmptyValue(FDeviceValue) ? QString() : FDeviceValue.toString();
  const bool own = !aMessage.isEmpty() && FIsSet && !IsEmptyValue(FDeviceValue) &&
                   (aShown == deviceText || aShown.trimmed() == deviceText);
  SetOwnMark(own);
  return own ? QString() : aMessage;
}

void TControlClass::SetOwnMark(bool aOn) {
  if (FOwnMark == aOn)
    return;
  FOwnMark = aOn;
  if (FControl)
    FControl->setToolTip(aOn ? FContext.Translate(QStringLiteral("mes_ownvalue")) : QString());
  UpdateStyle();
}

bool TControlClass::GetValue(QVariant& aValue) const {
  aValue = FValue;
  return FValue.isValid();
}

void TControlClass::ClearValue() {
  TBaseClass::SetValue(QVariant());
  FIsSet = false;
  ShowValue(QVariant());
}

void TControlClass::Colorize() {
  FRed = !FIsSet;
  UpdateStyle();
}

THistoryPopup* TControlClass::HistoryPopup() const {
  return FHistoryForm.data();
}

TInputHistory& TControlClass::History() {
  const QString group = HistoryGroup();
  if (!FHistoryValues || FHistoryValues->Group() != group) {
    FHistoryValues = std::make_unique<TInputHistory>(*FSettings.Registry, group);
    FHistoryValues->Load();
  }
  return *FHistoryValues;
}

void TControlClass::ShowHistory() {
  if (!FEdit || FEdit->isReadOnly() || HistoryGroup().isEmpty() || !FSettings.Registry)
    return;
  if (!FHistoryForm)
    FHistoryForm = new THistoryPopup(this);
  History().Load();
  FHistoryForm->ShowFiltered(FEdit->text());
}

QString TControlClass::QuotedCaption(bool aAlways) const {
  if (FCaption.isEmpty() && !aAlways)
    return QString();
  return QStringLiteral(" \"") + FCaption + QLatin1Char('"');
}

void TControlClass::Report(const QString& aText) {
  if (FSettings.SettingsError)
    FSettings.SettingsError(FSetting, aText, this);
}

void TControlClass::NotSetNotice() {
  if (FContext.Hint)
    FContext.Hint(
        2, FContext.Translate(QStringLiteral("mes_valuedisable")).replace(QLatin1String("%s"), FCaption));
}

QLineEdit* TControlClass::MakeEdit() {
  FEdit = new QLineEdit(this);
  FEdit->setObjectName(QStringLiteral("Edit"));
  FEdit->installEventFilter(this);
  FControl = FEdit;
  connect(FEdit, &QLineEdit::textChanged, this, [this] {
    Validate();
    ShowHistory();
  });
  return FEdit;
}

void TControlClass::ApplyReadOnly() {
  if (!FEdit)
    return;
  FEdit->setReadOnly(true);
  FEdit->setFrame(false);
  FEdit->setAlignment(Qt::AlignCenter);
  FEdit->setFont(font());
  // A display, not an input: the colours of what it sits on.
  FEdit->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
}

void TControlClass::Flash() {
  if (!FEdit)
    return;
  // A flash during a flash keeps the colour from before the first one.
  if (!FFlashTimer.isActive())
    FFlashOldStyle = FEdit->styleSheet();
  const QColor accent = FContext.Theme ? FContext.Theme->Accent : QColor(Qt::green);
  FEdit->setStyleSheet(FFlashOldStyle + QStringLiteral("background: %1;").arg(accent.name()));
  FFlashTimer.start();
}

void TControlClass::ConfirmEdit() {
  const QString text = FEdit->text().trimmed();
  if (!text.isEmpty()) {
    if (!HistoryGroup().isEmpty() && FSettings.Registry)
      History().Add(text);
    Flash();
  }
  if (FHistoryForm)
    FHistoryForm->CloseUp();
}

void TControlClass::ChooseHistory(const QString& aText) {
  FEdit->setText(aText);
  Validate();
  FEdit->setFocus();
  FEdit->setCursorPosition(int(aText.size()));
}

bool TControlClass::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aWatched == FEdit && FEdit) {
    switch (aEvent->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(aEvent);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        ConfirmEdit();
        return true;
      }
      if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
        if (!THistoryPopup::OpenPopup() || THistoryPopup::OpenPopup() != FHistoryForm)
          ShowHistory();
        if (FHistoryForm && FHistoryForm->isVisible())
          FHistoryForm->Enter(key->key() == Qt::Key_Down);
        return true;
      }
      break;
    }
    case QEvent::FocusIn:
      if (!FEdit->isReadOnly()) {
        if (!FIsSet)
          NotSetNotice();
        else
          ShowHistory();
      }
      break;
    case QEvent::FocusOut:
      if (FHistoryForm && !FHistoryDeleting && !FHistoryForm->List()->hasFocus())
        FHistoryForm->CloseUp();
      break;
    default:
      break;
    }
  } else if (aWatched == FControl && !FIsSet && FControl->isEnabled() &&
             (aEvent->type() == QEvent::MouseButtonPress ||
              (aEvent->type() == QEvent::FocusIn && qobject_cast<QComboBox*>(FControl)))) {
    // A check box or list the device has not given a value stays untouched until left.
    NotSetNotice();
    FControl->setEnabled(false);
    FDisabledUntilLeave = true;
    return aEvent->type() == QEvent::MouseButtonPress;
  }
  return TBaseClass::eventFilter(aWatched, aEvent);
}

void TControlClass::leaveEvent(QEvent* aEvent) {
  if (FDisabledUntilLeave && FControl) {
    FDisabledUntilLeave = false;
    FControl->setEnabled(FSetting != 0 || !FEdit);
  }
  TBaseClass::leaveEvent(aEvent);
}

void TControlClass::hideEvent(QHideEvent* aEvent) {
  if (FHistoryForm)
    FHistoryForm->CloseUp();
  TBaseClass::hideEvent(aEvent);
}

void TControlClass::resizeEvent(QResizeEvent*) {
  Layout();
}

void TControlClass::Place(QWidget* aWidget, double aLeft, double aWidth) {
  aWidget->setGeometry(int(std::lround(aLeft)), 0, qMax(0, int(std::lround(aWidth))), height());
}

void TControlClass::PlaceLabel(QLabel* aLabel, double aLeft, double aWidth) {
  aLabel->setGeometry(int(std::lround(aLeft)), 2, qMax(0, int(std::lround(aWidth))), height() - 2);
  aLabel->setVisible(!aLabel->text().isEmpty());
}

void TControlClass::LayoutEditor(bool aNarrow) {
  if (!FControl)
    return;
  const double w = width();
  const double a = w - 24;
  const bool units = !FULabel->text().isEmpty();
  if (!aNarrow) {
    PlaceLabel(FCLabel, 0, 0.6 * a);
    if (units) {
      Place(FControl, 0.6 * a + 12, 0.2 * a);
      PlaceLabel(FULabel, 0.8 * a + 24, 0.2 * a);
    } else {
      Place(FControl, 0.6 * a + 12, 0.4 * a + 12);
      FULabel->hide();
    }
  } else if (!FCaption.isEmpty()) {
    PlaceLabel(FCLabel, 0, 0.6 * a);
    Place(FControl, 0.6 * a + 12, 0.15 * a);
    PlaceLabel(FULabel, 0.75 * a + 24, 0.25 * a);
  } else {
    const double b = w - 36;
    FCLabel->hide();
    Place(FControl, 24, 0.15 * b);
    PlaceLabel(FULabel, 0.15 * b + 36, 0.85 * b);
  }
}

void TControlClass::LayoutWithButton(QWidget* aButton) {
  if (!FControl)
    return;
  const double a = width() - 24.0;
  PlaceLabel(FCLabel, 0, 0.6 * a);
  if (!FULabel->text().isEmpty()) {
    const double c = 0.2 * a - 29;
    Place(FControl, 0.6 * a + 12, c);
    Place(aButton, 0.6 * a + c + 14, 25);
    PlaceLabel(FULabel, 0.6 * a + c + 41, 0.2 * a);
  } else {
    const double d = 0.4 * a;
    Place(FControl, 0.6 * a + 12, d - 29);
    Place(aButton, 0.6 * a + d - 15, 25);
    FULabel->hide();
  }
}
