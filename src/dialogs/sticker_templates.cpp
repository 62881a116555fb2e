#include "dialogs/sticker_templates.h"

#include "core/log_file.h"
#include "platform/registry.h"
#include "platform/save_file.h"

#include <QFile>
#include <QStringDecoder>

namespace {

const QString kKey = QStringLiteral("StickerPrinter");
const QString kTemplates = QStringLiteral("Templates");
const QString kLast = QStringLiteral("LastTemplate");
const QString kCurrent = QStringLiteral("Current");

QString TextName(const QString& aName) {
  return QStringLiteral("Template_") + aName;
}

} // namespace

TStickerTemplates::TStickerTemplates(TRegistry& aRegistry) : FRegistry(aRegistry) {}

QString TStickerTemplates::ValidName(const QString& aName) {
  const QString name = aName.trimmed();
  for (QChar c : name)
    if (c == QLatin1Char('=') || c == QLatin1Char(';') || c == QLatin1Char('/') || c == QLatin1Char('\\') ||
        c.category() == QChar::Other_Control)
      return {};
  return name;
}

QStringList TStickerTemplates::Names() const {
  return FRegistry.Read(kKey, kTemplates).toString().split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

bool TStickerTemplates::HasText(const QString& aName) const {
  return FRegistry.ValueExists(kKey, TextName(aName));
}

QString TStickerTemplates::Text(const QString& aName) const {
  return FRegistry.Read(kKey, TextName(aName)).toString();
}

void TStickerTemplates::Save(const QString& aName, const QString& aText) {
  QStringList names = Names();
  if (!names.contains(aName)) {
    names << aName;
    WriteNames(names);
  }
  FRegistry.Write(kKey, TextName(aName), aText);
}

void TStickerTemplates::Remove(const QString& aName) {
  FRegistry.DeleteValue(kKey, TextName(aName));
  QStringList names = Names();
  names.removeAll(aName);
  WriteNames(names);
}

QString TStickerTemplates::LastTemplate() const {
  return FRegistry.Read(kKey, kLast).toString();
}

void TStickerTemplates::SetLastTemplate(const QString& aName) {
  FRegistry.Write(kKey, kLast, aName);
}

void TStickerTemplates::ClearLastTemplate() {
  FRegistry.DeleteValue(kKey, kLast);
}

QString TStickerTemplates::Current() const {
  return FRegistry.Read(kKey, kCurrent).toString();
}

void TStickerTemplates::SetCurrent(const QString& aText) {
  FRegistry.Write(kKey, kCurrent, aText);
}

void TStickerTemplates::Reset() {
  FRegistry.DeleteKey(kKey);
  WriteNames({});
}

QString TStickerTemplates::ExportText() const {
  QString out;
  for (const QString& name : Names())
    if (HasText(name))
      out += name + QLatin1Char('=') + Text(name) + QStringLiteral("\r\n");
  return out;
}

int TStickerTemplates::Import(const QString& aFileText, int* aSkipped) {
  int stored = 0;
  int skipped = 0;
  QStringList names = Names();
  for (QString line : aFileText.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r')))
      line.chop(1);
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) {
      if (!line.trimmed().isEmpty())
        ++skipped;
      continue;
    }
    const QString name = ValidName(line.left(eq));
    if (name.isEmpty() || line.size() - eq - 1 > kMaxTemplateChars) {
      ++skipped;
      continue;
    }
    FRegistry.Write(kKey, TextName(name), line.mid(eq + 1));
    if (!names.contains(name))
      names << name;
    ++stored;
  }
  WriteNames(names);
  if (aSkipped)
    *aSkipped = skipped;
  return stored;
}

void TStickerTemplates::WriteNames(const QStringList& aNames) {
  FRegistry.Write(kKey, kTemplates, aNames.join(QLatin1Char(';')));
}

bool WriteTemplateFile(const QString& aPath, const QString& aText, QString* aError) {
  return SaveFileAtomically(aPath, aText.toUtf8(), aError);
}

bool ReadTextFile(const QString& aPath, QString* aText, QString* aError, qint64 aMaxBytes, bool* aTooLarge) {
  if (aTooLarge)
    *aTooLarge = false;
  QFile file(aPath);
  if (!file.open(QIODevice::ReadOnly)) {
    if (aError)
      *aError = file.errorString();
    return false;
  }
  // Read one byte past the limit rather than trust the size: the file may be growing.
  QByteArray bytes = aMaxBytes < 0 ? file.readAll() : file.read(aMaxBytes + 1);
  if (aMaxBytes >= 0 && bytes.size() > aMaxBytes) {
    if (aTooLarge)
      *aTooLarge = true;
    if (aError)
      aError->clear();
    return false;
  }
  if (bytes.startsWith("\xEF\xBB\xBF"))
    bytes.remove(0, 3);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) {
    text = FromLogCodePage(bytes);
  }
  *aText = text;
  return true;
}
