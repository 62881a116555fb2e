#include "ui/form_state.h"

#include "platform/registry.h"

namespace {
const QString kForms = QString::fromLatin1(kFormsKey);

int ReadInt(const TRegistry& aRegistry, const char* aName, int aCurrent) {
  bool ok = false;
  const int value = aRegistry.Read(kForms, QString::fromLatin1(aName)).toInt(&ok);
  return ok ? value : aCurrent;
}

bool ReadBool(const TRegistry& aRegistry, const char* aName, bool aCurrent) {
  const QVariant v = aRegistry.Read(kForms, QString::fromLatin1(aName));
  if (!v.isValid())
    return aCurrent;
  const QString text = v.toString().trimmed().toLower();
  return text == QLatin1String("true") || text == QLatin1String("1");
}
} // namespace

void TFormState::Load(const TRegistry& aRegistry, const QRect& aVirtualScreen) {
  if (!aRegistry.KeyExists(kForms)) {
    FirstRun = true;
    return;
  }
  FirstRun = false;
  Width = ReadInt(aRegistry, "Width", Width);
  Height = ReadInt(aRegistry, "Height", Height);
  Top = ReadInt(aRegistry, "Top", Top);
  Left = ReadInt(aRegistry, "Left", Left);
  if (Top >= aVirtualScreen.y() + aVirtualScreen.height())
    Top = aVirtualScreen.y() + (aVirtualScreen.height() - Height) / 2;
  if (Left >= aVirtualScreen.x() + aVirtualScreen.width())
    Left = aVirtualScreen.x() + (aVirtualScreen.width() - Width) / 2;
  Style = ReadInt(aRegistry, "Style", Style);
  const int language = ReadInt(aRegistry, "Language", Language);
  if (language == 0 || language == 1)
    Language = language;
  AdvanceCAN = ReadBool(aRegistry, "AdvanceCAN", AdvanceCAN);
  NoSwitchCOMAuto = ReadBool(aRegistry, "NoSwitchCOMAuto", NoSwitchCOMAuto);
  AutoPrint = ReadBool(aRegistry, "AutoPrint", AutoPrint);
  PrintVisible = ReadBool(aRegistry, "btnPrintVisible", PrintVisible);
  SendPanelHeight = ReadInt(aRegistry, "SendPanelHeight", SendPanelHeight);
  Param0 = aRegistry.Read(kForms, QStringLiteral("Param0"), Param0).toString();
  EmulateUpd = ReadBool(aRegistry, "DEBUG_EMULATE_UPD", EmulateUpd);
}

void TFormState::Save(TRegistry& aRegistry, bool aMaximized) const {
  if (!aMaximized) {
    aRegistry.Write(kForms, QStringLiteral("Width"), Width);
    aRegistry.Write(kForms, QStringLiteral("Height"), Height);
    aRegistry.Write(kForms, QStringLiteral("Top"), Top);
    aRegistry.Write(kForms, QStringLiteral("Left"), Left);
  }
  aRegistry.Write(kForms, QStringLiteral("Style"), Style);
  aRegistry.Write(kForms, QStringLiteral("Language"), Language);
  aRegistry.Write(kForms, QStringLiteral("AdvanceCAN"), AdvanceCAN);
  aRegistry.Write(kForms, QStringLiteral("NoSwitchCOMAuto"), NoSwitchCOMAuto);
  aRegistry.Write(kForms, QStringLiteral("AutoPrint"), AutoPrint);
  aRegistry.Write(kForms, QStringLiteral("btnPrintVisible"), PrintVisible);
  aRegistry.Write(kForms, QStringLiteral("SendPanelHeight"), SendPanelHeight);
  aRegistry.Sync();
}

void TFormState::Reset(TRegistry& aRegistry, const QRect& aScreen) {
  aRegistry.DeleteKey(kForms);
  aRegistry.DeleteKey(QString::fromLatin1(kInputHistoryKey));
  Width = 800;
  Height = 600;
  Left = aScreen.x() + (aScreen.width() - Width) / 2;
  Top = aScreen.y() + (aScreen.height() - Height) / 2;
  Style = 1;
  Language = 0;
  AdvanceCAN = false;
  NoSwitchCOMAuto = false;
  AutoPrint = false;
  PrintVisible = false;
  Param0.clear();
  SendPanelHeight = 60;
  FirstRun = false;
  Save(aRegistry, false);
}
