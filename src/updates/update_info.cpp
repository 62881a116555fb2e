#include "updates/update_info.h"

#include "platform/file_date.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>

namespace {

// yyyy-mm-dd [h]h:mm[:ss[.fff]]
QDateTime ReadDateTime(const QString& aText) {
  static const QRegularExpression pattern(QStringLiteral(
      R"(^(\d{4})-(\d{1,2})-(\d{1,2})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2})(?:[.,](\d{1,9}))?)?)?$)"));
  const QRegularExpressionMatch m = pattern.match(aText.trimmed());
  if (!m.hasMatch())
    return QDateTime();
  const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  int ms = 0;
  if (m.hasCaptured(7))
    ms = m.captured(7).left(3).leftJustified(3, QLatin1Char('0')).toInt();
  const QTime time = m.hasCaptured(4) ? QTime(m.captured(4).toInt(), m.captured(5).toInt(),
                                              m.hasCaptured(6) ? m.captured(6).toInt() : 0, ms)
                                      : QTime(0, 0);
  if (!date.isValid() || !time.isValid())
    return QDateTime();
  return QDateTime(date, time);
}

// The document from its "<info" root to the end of that root; empty when there is none.
QString InfoDocument(const QString& aText) {
  static const QRegularExpression root(QStringLiteral(R"(<info[\s>/])"));
  const QRegularExpressionMatch m = root.match(aText);
  if (!m.hasMatch())
    return QString();
  QString doc = aText.mid(m.capturedStart());
  const qsizetype end = doc.lastIndexOf(QLatin1String("</info>"));
  if (end >= 0)
    doc.truncate(end + 7);
  return doc;
}

bool IsWebPage(const QString& aUrl) {
  const QUrl url(aUrl, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  return url.isValid() && !url.host().isEmpty() &&
         (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

QDateTime ParseProgramDate(const QString& aText) {
  QString text = aText.trimmed();
  static const QRegularExpression sixDigits(QStringLiteral(R"(^\d{6}$)"));
  if (sixDigits.match(text).hasMatch())
    text = QStringLiteral("20%1-%2-%3").arg(text.left(2), text.mid(2, 2), text.mid(4, 2));
  return ReadDateTime(text);
}

QDateTime ParseCreatedAt(const QString& aText) {
  QString text = aText.trimmed();
  const qsizetype t = text.indexOf(QLatin1Char('T'));
  if (t >= 0)
    text[t] = QLatin1Char(' ');
  const qsizetype z = text.indexOf(QLatin1Char('Z'));
  if (z >= 0)
    text.remove(z, 1);
  // The offset goes, whichever its sign: a west-of-Greenwich service must not hide every module.
  qsizetype cut = text.indexOf(QLatin1Char('+'));
  if (cut < 0) {
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    if (space >= 0)
      cut = text.indexOf(QLatin1Char('-'), space);
  }
  if (cut >= 0)
    text.truncate(cut);
  return ReadDateTime(text);
}

TProgramInfo ParseProgramInfo(const QString& aText) {
  TProgramInfo info;
  const QString doc = InfoDocument(aText);
  if (doc.isEmpty())
    return info;
  QXmlStreamReader xml(doc);
  if (!xml.readNextStartElement() || xml.name() != QLatin1String("info"))
    return info;
  QString url, date, sha;
  bool found = false;
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("version") && !found) {
      found = true;
      url = xml.attributes().value(QLatin1String("url")).toString();
      date = xml.attributes().value(QLatin1String("date")).toString();
      sha = xml.attributes().value(QLatin1String("sha256")).toString();
    }
    xml.skipCurrentElement();
  }
  if (xml.hasError() || !found)
    return info;
  info.Version = ParseProgramDate(date);
  info.Url = url;
  static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]{64}$"));
  if (hex.match(sha).hasMatch())
    info.Sha256 = sha.toLower();
  return info;
}

TDeviceDescription ParseDeviceDescription(const QString& aText, int aLanguage) {
  TDeviceDescription result;
  const QString doc = InfoDocument(aText);
  if (doc.isEmpty())
    return result;
  QXmlStreamReader xml(doc);
  if (!xml.readNextStartElement() || xml.name() != QLatin1String("info"))
    return result;
  const QLatin1String wanted = aLanguage == 1 ? QLatin1String("en") : QLatin1String("ru");
  TDeviceDescription found;
  while (xml.readNextStartElement()) {
    if (xml.name() == wanted && !found.Valid) {
      found.Valid = true;
      found.Caption = xml.attributes().value(QLatin1String("name")).toString();
      const QString url = xml.attributes().value(QLatin1String("URL")).toString().trimmed();
      // The address goes straight into the browser: nothing but web pages.
      found.Url = IsWebPage(url) ? url : QString();
      found.Text = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    } else {
      xml.skipCurrentElement();
    }
  }
  if (xml.hasError())
    return result;
  return found;
}

bool ParseModuleList(const QString& aText, QList<TModuleEntry>* aEntries) {
  aEntries->clear();
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(aText.toUtf8(), &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject())
    return false;
  const QJsonValue data = doc.object().value(QLatin1String("data"));
  if (!data.isArray())
    return false;
  for (const QJsonValue& value : data.toArray()) {
    const QJsonObject entry = value.toObject();
    const QJsonValue id = entry.value(QLatin1String("deviceTypeId"));
    bool ok = id.isDouble();
    int type = id.toInt();
    if (id.isString())
      type = id.toString().trimmed().toInt(&ok);
    const QDateTime created = ParseCreatedAt(entry.value(QLatin1String("createdAt")).toString());
    if (!ok || type <= 0 || !created.isValid())
      continue;
    aEntries->append({type, created});
  }
  return true;
}

QString ModuleFileName(const QString& aFolder, int aType) {
  return QDir(aFolder).filePath(QString::number(aType) + QStringLiteral(".json"));
}

QList<TModuleEntry> NewerModules(const QList<TModuleEntry>& aEntries, const QString& aFolder) {
  QList<TModuleEntry> newer;
  for (const TModuleEntry& entry : aEntries) {
    const QDateTime local = FileDate(ModuleFileName(aFolder, entry.Type));
    if (!local.isValid() || entry.CreatedAt > local)
      newer.append(entry);
  }
  return newer;
}

QString ModuleNames(const QList<int>& aTypes) {
  QStringList names;
  for (int type : aTypes)
    names << QStringLiteral("v%1").arg(type);
  return names.join(QStringLiteral("; "));
}
