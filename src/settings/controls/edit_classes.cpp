#include "settings/controls/edit_classes.h"

#include "monitor/monitor_context.h"
#include "settings/controls/settings_context.h"
#include "settings/settings_image.h"
#include "settings/settings_page_values.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

QToolButton* MakeButton(TControlClass* aOwner, TSettingsContext& aContext) {
  auto* button = new QToolButton(aOwner);
  button->setObjectName(QStringLiteral("Button"));
  button->setText(QStringLiteral("..."));
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  QObject::connect(button, &QToolButton::clicked, aOwner, [aOwner, &aContext] {
    if (aContext.PickValue)
      aContext.PickValue(aOwner);
  });
  return button;
}

QString ValueText(const QVariant& aValue) {
  return TBaseClass::IsEmptyValue(aValue) ? QString() : aValue.toString();
}

} // namespace

// ---- TStringClass ----

TStringClass::TStringClass(TSettingsContext& aContext, QWidget* aParent) : TControlClass(aContext, aParent) {
  MakeEdit();
}

bool TStringClass::GetValue(QVariant& aValue) const {
  aValue = FEdit->text();
  return true;
}

void TStringClass::ShowValue(const QVariant& aValue) {
  FEdit->setText(ValueText(aValue));
}

void TStringClass::Layout() {
  LayoutEditor(false);
}

QString TStringClass::Check() const {
  return CheckStringSetting(FSetting, FEdit->text(), FCaption, FMin, FMax,
                            [this](const QString& aKey) { return FContext.Translate(aKey); });
}

void TStringClass::Validate() {
  Report(ExceptOwnValue(Check(), FEdit->text()));
}

bool TStringClass::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aWatched == FEdit && aEvent->type() == QEvent::KeyPress && FMax.isValid() && !FEdit->isReadOnly()) {
    auto* key = static_cast<QKeyEvent*>(aEvent);
    const bool typing = !key->text().isEmpty() && key->text().at(0).isPrint();
    // The one bound that is enforced while typing: a string never grows past what the device keeps.
    if (typing && key->key() != Qt::Key_Backspace && !FEdit->hasSelectedText() &&
        FEdit->text().size() >= FMax.toLongLong()) {
      Report(FContext.Translate(QStringLiteral("mes_valuemaxlength")) + QuotedCaption(false) +
             FMax.toString());
      return true;
    }
  }
  return TControlClass::eventFilter(aWatched, aEvent);
}

TStringWithButtonClass::TStringWithButtonClass(TSettingsContext& aContext, QWidget* aParent)
    : TStringClass(aContext, aParent), FButton(MakeButton(this, aContext)) {}

void TStringWithButtonClass::Layout() {
  LayoutWithButton(FButton);
}

// ---- TIntegerClass ----

TIntegerClass::TIntegerClass(TSettingsContext& aContext, QWidget* aParent)
    : TControlClass(aContext, aParent) {
  MakeEdit();
}

bool TIntegerClass::GetValue(QVariant& aValue) const {
  bool ok = false;
  const qint64 value = FEdit->text().trimmed().toLongLong(&ok);
  // Not a number: no value to give, never 0 in its place.
  aValue = ok ? QVariant(value) : QVariant();
  return ok;
}

void TIntegerClass::ShowValue(const QVariant& aValue) {
  FEdit->setText(ValueText(aValue));
}

void TIntegerClass::Layout() {
  LayoutEditor(true);
}

QString TIntegerClass::Check() const {
  return CheckIntegerSetting(FEdit->text(), FCaption, FMin, FMax,
                             [this](const QString& aKey) { return FContext.Translate(aKey); });
}

void TIntegerClass::Validate() {
  // An element the device has not filled is not written: its empty box is no error.
  if (!FIsSet && FEdit->text().trimmed().isEmpty()) {
    Report(QString());
    return;
  }
  Report(ExceptOwnValue(Check(), FEdit->text()));
}

TIntegerWithButtonClass::TIntegerWithButtonClass(TSettingsContext& aContext, QWidget* aParent)
    : TIntegerClass(aContext, aParent), FButton(MakeButton(this, aContext)) {}

void TIntegerWithButtonClass::Layout() {
  LayoutWithButton(FButton);
}
