#include "updates/module_format.h"

#include <QJsonDocument>

bool ReformatJson(const QString& aText, QString* aOut, qsizetype aMaxChars) {
  QString out;
  out.reserve(aText.size() + aText.size() / 2);
  int indent = 0;
  bool inString = false;
  bool escaped = false;
  auto newLine = [&out, &indent] {
    out += QLatin1String("\r\n");
    out += QString(qMax(indent, 0), QLatin1Char(' '));
  };
  for (const QChar c : aText) {
    if (out.size() > aMaxChars)
      return false;
    if (inString) {
      out += c;
      if (escaped)
        escaped = false;
      else if (c == QLatin1Char('\\'))
        escaped = true;
      else if (c == QLatin1Char('"'))
        inString = false;
      continue;
    }
    switch (c.unicode()) {
    case '"':
      inString = true;
      out += c;
      break;
    case ',':
      out += c;
      newLine();
      break;
    case ':':
      out += QLatin1String(": ");
      break;
    case '[':
    case '{':
      out += c;
      indent += 2;
      newLine();
      break;
    case ']':
    case '}':
      indent -= 2;
      newLine();
      out += c;
      break;
    default:
      out += c;
    }
  }
  if (out.size() > aMaxChars)
    return false;
  *aOut = out;
  return true;
}

namespace {

int HexValue(const QString& aText, qsizetype aPos) {
  if (aPos + 4 > aText.size())
    return -1;
  int value = 0;
  for (qsizetype i = aPos; i < aPos + 4; ++i) {
    const char16_t u = aText.at(i).unicode();
    int digit = 0;
    if (u >= '0' && u <= '9')
      digit = u - '0';
    else if (u >= 'a' && u <= 'f')
      digit = u - 'a' + 10;
    else if (u >= 'A' && u <= 'F')
      digit = u - 'A' + 10;
    else
      return -1;
    value = value * 16 + digit;
  }
  return value;
}

} // namespace

QString ExpandUnicodeEscapes(const QString& aText) {
  QString out;
  out.reserve(aText.size());
  const qsizetype n = aText.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = aText.at(i);
    if (c != QLatin1Char('\\') || i + 1 >= n) {
      out += c;
      continue;
    }
    const QChar next = aText.at(i + 1);
    if (next != QLatin1Char('u')) {
      // Any other escape (an escaped backslash above all) is kept whole.
      out += c;
      out += next;
      ++i;
      continue;
    }
    const int code = HexValue(aText, i + 2);
    if (code < 0) {
      out += c;
      continue;
    }
    const bool keep = code == '"' || code == '\\' || code < 0x20;
    if (keep) {
      out += aText.mid(i, 6);
      i += 5;
      continue;
    }
    if (QChar::isHighSurrogate(char16_t(code))) {
      const int low =
          (i + 7 < n && aText.at(i + 6) == QLatin1Char('\\') && aText.at(i + 7) == QLatin1Char('u'))
              ? HexValue(aText, i + 8)
              : -1;
      if (low >= 0 && QChar::isLowSurrogate(char16_t(low))) {
        out += QChar(char16_t(code));
        out += QChar(char16_t(low));
        i += 11;
      } else {
        out += aText.mid(i, 6);
        i += 5;
      }
      continue;
    }
    if (QChar::isLowSurrogate(char16_t(code))) {
      out += aText.mid(i, 6);
      i += 5;
      continue;
    }
    out += QChar(char16_t(code));
    i += 5;
  }
  return out;
}

QByteArray PrepareModule(const QByteArray& aDownload) {
  QByteArray body = aDownload;
  if (body.startsWith("\xEF\xBB\xBF"))
    body.remove(0, 3);
  QJsonParseError error;
  const QJsonDocument original = QJsonDocument::fromJson(body, &error);
  if (error.error != QJsonParseError::NoError || !original.isObject())
    return QByteArray();
  QString reformatted;
  if (!ReformatJson(QString::fromUtf8(body), &reformatted))
    return aDownload;
  const QByteArray result = ExpandUnicodeEscapes(reformatted).toUtf8();
  // Whatever went wrong in the text work, the module as served is still good.
  const QJsonDocument again = QJsonDocument::fromJson(result, &error);
  if (error.error != QJsonParseError::NoError || again != original)
    return aDownload;
  return result;
}
