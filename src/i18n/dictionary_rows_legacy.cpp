#include "i18n/dictionary_rows.h"

// Captions of the lines that generation-2 records make on the fly (the monitor layout has no line
// for them, and a line is captioned by its ident in the current language), and the messages of the
// fuel-sensor master's requests.

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"ML", u"Уровень сигнала", u"Signal level"},
    {u"ML1", u"Страна", u"Country"},
    {u"ML2", u"Оператор", u"Operator"},
    {u"_ModemInSMS", u"Принято SMS", u"SMS received"},
    {u"_ModemOutSMS", u"Отправлено SMS", u"SMS sent"},
    {u"ID0", u"Вход 0", u"Input 0"},
    {u"ID1", u"Вход 1", u"Input 1"},
    {u"ID2", u"Вход 2", u"Input 2"},
    {u"ID3", u"Вход 3", u"Input 3"},
    {u"ID4", u"Вход 4", u"Input 4"},
    {u"ID5", u"Вход 5", u"Input 5"},
    {u"ID6", u"Вход 6", u"Input 6"},
    {u"ID7", u"Вход 7", u"Input 7"},
    {u"OD0", u"Выход 0", u"Output 0"},
    {u"OD1", u"Выход 1", u"Output 1"},
    {u"OD2", u"Выход 2", u"Output 2"},
    {u"OD3", u"Выход 3", u"Output 3"},
    {u"OD4", u"Выход 4", u"Output 4"},
    {u"OD5", u"Выход 5", u"Output 5"},
    {u"OD6", u"Выход 6", u"Output 6"},
    {u"OD7", u"Выход 7", u"Output 7"},
    {u"mes_sensornoreply", u"Мастер датчиков не ответил на запрос", u"The sensor master did not answer"},
    {u"mes_valuenotread", u"Значение \"%s\" не прочитано из устройства",
     u"The value \"%s\" has not been read from the device"},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsLegacy() {
  return kRows;
}
