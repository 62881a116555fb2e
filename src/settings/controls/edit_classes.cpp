#include "settings/controls/edit_classes.h"

#include "monitor/monitor_context.h"
#include "settings/controls/settings_context.h"
#include "settings/settings_image.h"

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
  const qsizetype n = FEdit->text().size();
  if (FSetting == kPasswordSetting)
    return n != 0 && n != 6 ? FContext.Translate(QStringLiteral("mes_passwordlength")) : QString();
  const QString q = QuotedCaption(false);
  if (FMin.isValid() && n < FMin.toLongLong())
    return FContext.Translate(QStringLiteral("mes_valueminlength")) + q + QStringLiteral(": ") +
           FMin.toString();
  if (FMax.isValid() && n > FMax.toLongLong())
    return FContext.Translate(QStringLiteral("mes_valuemaxlength")) + q + QStringLiteral(": ") +
           FMax.toString();
  return QString();
}

void TStringClass::Validate() {
  Report(Check());
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
  aValue = ok ? value : qint64(0);
  return true;
}

void TIntegerClass::ShowValue(const QVariant& aValue) {
  FEdit->setText(ValueText(aValue));
}

void TIntegerClass::Layout() {
  LayoutEditor(true);
}

QString TIntegerClass::Check() const {
  const QString text = FEdit->text().trimmed();
  if (text.isEmpty() || text == QLatin1String("-") || text == QLatin1String("+"))
    return QString();
  const QString q = QuotedCaption(true);
  bool ok = false;
  const qint64 value = text.toLongLong(&ok);
  if (!ok)
    return FContext.Translate(QStringLiteral("mes_valuechar")) + q;
  if (FMin.isValid() && value < FMin.toLongLong())
    return FContext.Translate(QStringLiteral("mes_valuemin")) + q + QStringLiteral(": ") + FMin.toString();
  if (FMax.isValid() && value > FMax.toLongLong())
    return FContext.Translate(QStringLiteral("mes_valuemax")) + q + QStringLiteral(": ") + FMax.toString();
  return QString();
}

void TIntegerClass::Validate() {
  Report(Check());
}

TIntegerWithButtonClass::TIntegerWithButtonClass(TSettingsContext& aContext, QWidget* aParent)
    : TIntegerClass(aContext, aParent), FButton(MakeButton(this, aContext)) {}

void TIntegerWithButtonClass::Layout() {
  LayoutWithButton(FButton);
}
