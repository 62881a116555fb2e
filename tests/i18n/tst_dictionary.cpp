#include "i18n/code_tables.h"
#include "i18n/dictionary.h"
#include "i18n/dictionary_rows.h"

#include <QSet>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString Text(const char16_t* aText) {
  return QString::fromUtf16(aText);
}

// A schema that shadows a fixed key, leaves a Russian text empty, uses a Cyrillic key, holds a key with
// a space and repeats a key in another case.
QList<TTranslation> SampleSchema() {
  return {
      {"Error", u"Ошибка схемы"_s, "Schema error"},
      {"only_en", "", "English only"},
      {u"Ключ"_s, u"Значение"_s, "Value"},
      {"FLS 9", u"Девятый датчик"_s, "Ninth sensor"},
      {"dup", u"первый"_s, "first"},
      {"DUP", u"второй"_s, "second"},
  };
}

} // namespace

class TstDictionary : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void translate_data();
  void translate();
  void quotedTexts_data();
  void quotedTexts();
  void schemaIsReplacedAsAWhole();
  void fixedTableShape();

  void countryName_data();
  void countryName();
  void operatorName_data();
  void operatorName();
  void codeTablesShape();
};

void TstDictionary::translate_data() {
  QTest::addColumn<int>("language");
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("expected");

  QTest::newRow("unknown key, Russian") << 0 << u"no_such_key"_s << u"no_such_key"_s;
  QTest::newRow("unknown key, English") << 1 << u"no_such_key"_s << u"no_such_key"_s;
  QTest::newRow("language 2, fixed key") << 2 << u"mes_fileopen"_s << u"mes_fileopen"_s;
  QTest::newRow("language 2, schema key") << 2 << u"only_en"_s << u"only_en"_s;
  QTest::newRow("language -1") << -1 << u"Error"_s << u"Error"_s;
  QTest::newRow("empty key") << 0 << u""_s << u""_s;

  QTest::newRow("fixed row, Russian")
      << 0 << u"mes_fileopen"_s << u"Файл успешно открыт, настройки прочитаны."_s;
  QTest::newRow("fixed row, English")
      << 1 << u"mes_fileopen"_s << u"File successfully opened, settings read."_s;
  QTest::newRow("ASCII case ignored")
      << 1 << u"mes_FileOpen"_s << u"File successfully opened, settings read."_s;
  QTest::newRow("upper case key") << 0 << u"MES_FILEOPEN"_s << u"Файл успешно открыт, настройки прочитаны."_s;

  QTest::newRow("schema shadows fixed row") << 0 << u"Error"_s << u"Ошибка схемы"_s;
  QTest::newRow("schema key in other case") << 1 << u"ERROR"_s << u"Schema error"_s;
  QTest::newRow("schema Russian text empty") << 0 << u"only_en"_s << u""_s;
  QTest::newRow("schema English text") << 1 << u"only_en"_s << u"English only"_s;
  QTest::newRow("first of repeated schema keys") << 1 << u"Dup"_s << u"first"_s;
  QTest::newRow("Cyrillic key exact") << 0 << u"Ключ"_s << u"Значение"_s;
  QTest::newRow("Cyrillic case not folded") << 0 << u"КЛЮЧ"_s << u"КЛЮЧ"_s;
  QTest::newRow("schema matches whole key before split") << 1 << u"FLS 9"_s << u"Ninth sensor"_s;

  QTest::newRow("head translated, tail kept") << 0 << u"FLS 2"_s << u"ДУТ 2"_s;
  QTest::newRow("tail keeps its spaces") << 0 << u"FLS 1 2"_s << u"ДУТ 1 2"_s;
  QTest::newRow("halves skip the schema") << 0 << u"Sensor error"_s << u"Датчик Ошибка"_s;
  QTest::newRow("head from fixed table") << 0 << u"Error 5"_s << u"Ошибка 5"_s;
  QTest::newRow("trailing space dropped") << 0 << u"RELAY_OFF "_s << u"выключено"_s;
  QTest::newRow("empty head") << 1 << u" _InOut"_s << u" In / Out"_s;

  QTest::newRow("pin, Russian") << 0 << u"3 _InOut"_s << u"PIN 3. Вход / Выход"_s;
  QTest::newRow("pin, English") << 1 << u"12 _InOut"_s << u"PIN 12. In / Out"_s;
  QTest::newRow("pin 0") << 1 << u"0 _InOut"_s << u"PIN 0. In / Out"_s;
  QTest::newRow("pin tail in other case") << 1 << u"3 _inout"_s << u"3 In / Out"_s;
  QTest::newRow("pin head not a number") << 1 << u"x3 _InOut"_s << u"x3 In / Out"_s;
  QTest::newRow("pin head negative") << 1 << u"-3 _InOut"_s << u"-3 In / Out"_s;
}

void TstDictionary::translate() {
  QFETCH(int, language);
  QFETCH(QString, key);
  QFETCH(QString, expected);

  TDictionary dictionary;
  dictionary.SetSchemaTranslations(SampleSchema());
  QCOMPARE(dictionary.Translate(language, key), expected);
  dictionary.SetLanguage(language);
  QCOMPARE(dictionary.Translate(key), expected);
}

void TstDictionary::quotedTexts_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("ru");
  QTest::addColumn<QString>("en");

  // Written with escapes, so a source read in the wrong encoding cannot agree with itself.
  QTest::newRow("Error") << u"Error"_s << u"\u041E\u0448\u0438\u0431\u043A\u0430"_s << u"Error"_s;
  QTest::newRow("trailing space kept")
      << u"mes_test"_s << u"Обновите приложение "_s << u"Update application"_s;
  QTest::newRow("two-line caption") << u"act_OpenCFG"_s << u"|Из\r\nфайла"_s << u"|From\r\nfile"_s;
  QTest::newRow("quotes inside")
      << u"mes_passwordneed"_s
      << u"Для получения данных от устройства укажите пароль в разделе \"Настройки\""_s
      << u"To receive data from the device, specify the password in section \"Settings\""_s;
  QTest::newRow("format mark")
      << u"mes_valuedisable"_s
      << u"Параметр \"%s\" не доступен для использования. Пожалуйста, обновите устройство."_s
      << u"The parameter \"%s\" is not available for use. Please update your device."_s;
  QTest::newRow("status word") << u"DSnosettings"_s << u"нет настроек"_s << u"no settings"_s;
  QTest::newRow("question") << u"_ConfirmDriver"_s << u"Установить драйверы?"_s << u"Install drivers?"_s;
}

void TstDictionary::quotedTexts() {
  QFETCH(QString, key);
  QFETCH(QString, ru);
  QFETCH(QString, en);

  const TDictionary dictionary;
  QCOMPARE(dictionary.Translate(0, key), ru);
  QCOMPARE(dictionary.Translate(1, key), en);
}

void TstDictionary::schemaIsReplacedAsAWhole() {
  TDictionary dictionary;
  dictionary.SetLanguage(1);
  dictionary.SetSchemaTranslations(SampleSchema());
  QCOMPARE(dictionary.Translate("only_en"), QString("English only"));

  dictionary.SetSchemaTranslations({{"other", "", "Other"}});
  QCOMPARE(dictionary.Translate("only_en"), QString("only_en"));
  QCOMPARE(dictionary.Translate("Error"), QString("Error"));
  QCOMPARE(dictionary.Translate("OTHER"), QString("Other"));

  dictionary.SetSchemaTranslations({});
  QCOMPARE(dictionary.Translate("other"), QString("other"));
}

void TstDictionary::fixedTableShape() {
  const std::span<const TDictionaryRow> rows = FixedDictionary();
  QCOMPARE(rows.size(), std::size_t{514});
  QCOMPARE(Text(rows.front().Key), QString("_OUT0_OFF"));
  QCOMPARE(Text(rows.back().Key), QString("_ConfirmDriver"));

  const TDictionary dictionary;
  QSet<QString> seen;
  QStringList repeated;
  for (const TDictionaryRow& row : rows) {
    const QString key = Text(row.Key);
    QVERIFY2(!key.isEmpty() && !key.contains(u' '), qPrintable("unreachable key '" + key + "'"));
    QVERIFY2(!Text(row.Ru).isEmpty() && !Text(row.En).isEmpty(), qPrintable("empty text for " + key));
    // Catches a later row with other texts shadowed by an earlier key that differs only in case.
    QCOMPARE(dictionary.Translate(0, key), Text(row.Ru));
    QCOMPARE(dictionary.Translate(1, key), Text(row.En));
    if (seen.contains(key.toLower())) {
      repeated << key;
    }
    seen.insert(key.toLower());
  }
  QCOMPARE(repeated, QStringList{"_CanPar229"});
  // Captions beyond the table are found after it; one that repeated a key of it would never show.
  for (const TDictionaryRow& row : DictionaryRowsAdded()) {
    const QString key = Text(row.Key);
    QVERIFY2(!seen.contains(key.toLower()), qPrintable(key));
    QCOMPARE(dictionary.Translate(0, key), Text(row.Ru));
    QCOMPARE(dictionary.Translate(1, key), Text(row.En));
  }
}

void TstDictionary::countryName_data() {
  QTest::addColumn<QString>("code");
  QTest::addColumn<QString>("expected");

  QTest::newRow("Russia") << u"250"_s << u"Россия"_s;
  QTest::newRow("Ukraine") << u"255"_s << u"Украина"_s;
  QTest::newRow("Belarus") << u"257"_s << u"Беларусь"_s;
  QTest::newRow("Kazakhstan") << u"401"_s << u"Казахстан"_s;
  QTest::newRow("first row") << u"000"_s << u""_s;
  QTest::newRow("unknown code") << u"999"_s << u"#999"_s;
  QTest::newRow("too short") << u"25"_s << u"#25"_s;
  QTest::newRow("too long") << u"2500"_s << u"#2500"_s;
  QTest::newRow("padded") << u" 250"_s << u"# 250"_s;
  QTest::newRow("empty") << u""_s << u"#"_s;
}

void TstDictionary::countryName() {
  QFETCH(QString, code);
  QFETCH(QString, expected);
  QCOMPARE(CountryName(code), expected);
}

void TstDictionary::operatorName_data() {
  QTest::addColumn<QString>("code");
  QTest::addColumn<QString>("expected");

  QTest::newRow("known") << u"25099"_s << u"BeeLine/VimpelCom"_s;
  QTest::newRow("unknown") << u"25098"_s << u"#25098"_s;
  QTest::newRow("MTS Russia") << u"25001"_s << u"MTS"_s;
  QTest::newRow("MTS Belarus") << u"25702"_s << u"MTS"_s;
  QTest::newRow("last row") << u"22005"_s << u"VIP Mobile"_s;
  QTest::newRow("first row") << u"00000"_s << u""_s;
  QTest::newRow("country code only") << u"250"_s << u"#250"_s;
  QTest::newRow("empty") << u""_s << u"#"_s;
}

void TstDictionary::operatorName() {
  QFETCH(QString, code);
  QFETCH(QString, expected);
  QCOMPARE(OperatorName(code), expected);
}

void TstDictionary::codeTablesShape() {
  const auto allDigits = [](const QString& aText) {
    return std::all_of(aText.begin(), aText.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
  };

  const std::span<const TCodeName> countries = CountryTable();
  QCOMPARE(countries.size(), std::size_t{235});
  QCOMPARE(Text(countries.front().Code), QString("000"));
  QCOMPARE(Text(countries.front().Name), QString());
  QSet<QString> countryCodes;
  for (const TCodeName& row : countries) {
    const QString code = Text(row.Code);
    QVERIFY2(code.size() == 3 && allDigits(code), qPrintable(code));
    QVERIFY2(!countryCodes.contains(code), qPrintable("repeated " + code));
    countryCodes.insert(code);
    QVERIFY2(code == "000" || !Text(row.Name).isEmpty(), qPrintable("no name for " + code));
    QCOMPARE(CountryName(code), Text(row.Name));
  }

  const std::span<const TCodeName> operators = OperatorTable();
  QCOMPARE(operators.size(), std::size_t{47});
  QCOMPARE(Text(operators.front().Code), QString("00000"));
  QCOMPARE(Text(operators.front().Name), QString());
  QSet<QString> operatorCodes;
  for (const TCodeName& row : operators) {
    const QString code = Text(row.Code);
    QVERIFY2(code.size() == 5 && allDigits(code), qPrintable(code));
    QVERIFY2(!operatorCodes.contains(code), qPrintable("repeated " + code));
    operatorCodes.insert(code);
    // The status decoders show the country of an operator's first three digits.
    QVERIFY2(countryCodes.contains(code.left(3)), qPrintable("no country for " + code));
    QCOMPARE(OperatorName(code), Text(row.Name));
  }
}

QTEST_GUILESS_MAIN(TstDictionary)
#include "tst_dictionary.moc"
