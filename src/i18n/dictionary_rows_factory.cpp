#include "i18n/dictionary_rows.h"

// The production-line flows: registration and test services, the type-304 and 305/306 tests.

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"fac_busy", u"Уже выполняется операция с устройством, дождитесь её окончания",
     u"A device operation is already running; wait until it ends"},
    {u"fac_noident",
     u"Устройство ещё не сообщило свой MAC-адрес (12 шестнадцатеричных цифр), регистрация невозможна",
     u"The device has not reported its MAC address (12 hexadecimal digits) yet; it cannot be registered"},
    {u"fac_noident304",
     u"Устройство ещё не сообщило свой MAC-адрес (12 шестнадцатеричных цифр), IMEI или ICCID, регистрация "
     u"невозможна",
     u"The device has not reported its MAC address (12 hexadecimal digits), IMEI or ICCID yet; it cannot be "
     u"registered"},
    {u"fac_notconfigured",
     u"Не настроен заводской сервис регистрации (адрес, ключ и счётчик в разделе Factory); запрос не "
     u"отправлен",
     u"The factory registration service is not configured (address, key and counter under Factory); nothing "
     u"was "
     u"sent"},
    {u"fac_testnotconfigured",
     u"Не настроены заводские сервисы регистрации и тестирования (адреса, ключи, токен и пароль устройства в "
     u"разделе "
     u"Factory); запрос не отправлен",
     u"The factory registration and test services are not configured (addresses, keys, token and device "
     u"password "
     u"under Factory); nothing was sent"},
    {u"fac_lotquantity", u". Общее количество в партии(%1): %2", u". Total in lot (%1): %2"},
    {u"fac_updated", u"Уже есть в базе! Обновлено! ID (HEX): ",
     u"Already in the database! Updated! ID (HEX): "},
    {u"fac_nosn", u"Поле SN не найдено в JSON", u"No SN field in the JSON answer"},
    {u"fac_noid", u"ID не получен", u"No ID received"},
    {u"fac_jsonnotobject", u"Не удалось распарсить JSON ответ", u"The JSON answer could not be parsed"},
    {u"fac_jsonerror", u"Ошибка парсинга JSON: ", u"JSON parse error: "},
    {u"fac_motion", u"Выполняется тест %1. Перемещайте устройство, пока не пройдёт тест MOTION",
     u"Testing %1. Move the device until the MOTION test passes"},
    {u"fac_timeout304", u"Ошибка! Таймаут теста ", u"Error! Test time-out: "},
    {u"fac_registered", u"Устройство зарегистрировано. Присвоен SN: ", u"Device registered. Assigned SN: "},
    {u"fac_nosnreceived", u"Ошибка теста! SN не получен!", u"Test error! No SN received!"},
    {u"fac_added", u"Устройство %1 добавлено в базу. Общее количество в партии(%2): %3",
     u"Device %1 added to the database. Total in lot (%2): %3"},
    {u"fac_alreadyin",
     u"ОБРАТИТЕ ВНИМАНИЕ!!! Устройство %1 уже есть в базе. Обновлено! Общее количество в партии(%2): %3",
     u"ATTENTION!!! Device %1 is already in the database. Updated! Total in lot (%2): %3"},
    {u"fac_addfailed", u"Ошибка добавления устройства в базу!",
     u"The device could not be added to the database!"},
    {u"fac_error", u"Ошибка: ", u"Error: "},
    {u"fac_success", u"Тест %1 завершен успешно", u"Test of %1 completed successfully"},
    {u"fac_idnotwritten", u"Ошибка теста! ID не записан в устройство!",
     u"Test error! The ID was not written to the device!"},
    {u"fac_running", u"Выполняется тест ", u"Testing "},
    {u"fac_timeout", u"Ошибка! Таймаут теста!", u"Error! Test time-out!"},
    {u"fac_network", u"Сетевая ошибка: ", u"Network error: "},
    {u"fac_general", u"Общая ошибка: ", u"General error: "},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsFactory() {
  return kRows;
}
