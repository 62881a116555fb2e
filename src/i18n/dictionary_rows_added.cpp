#include "i18n/dictionary_rows.h"

// Captions of monitor lines that the compiled-in table lacks (lines of the layout and idents the
// status records fill), and messages of the window's own that it lacks. Looked up after that
// table, so none of them shadows a row of it.

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"_TestGSM", u"Модуль GSM", u"GSM module"},
    {u"_CanAdBlue", u"AdBlue", u"AdBlue"},
    {u"_PointWIFI", u"Точки Wi-Fi", u"Wi-Fi points"},
    {u"_StatusExtMemory", u"Состояние внешней памяти", u"External memory state"},
    {u"_StatusCardSD", u"Состояние карты SD", u"SD card state"},
    {u"mes_devicefilerefused", u"Не сохранены файлы с недопустимыми именами:",
     u"Files not saved, their names are not allowed:"},
    {u"mes_readinginterrupted", u"Чтение прервано, файл не сохранён.",
     u"Reading interrupted, the file was not saved."},
    {u"_StringAPN", u"Точка доступа APN", u"APN"},
    {u"_LoginAPN", u"Логин APN", u"APN login"},
    {u"_PasswordAPN", u"Пароль APN", u"APN password"},
    {u"_DeviceSubVer", u"Подверсия устройства", u"Device subversion"},
    {u"mes_driverscancel", u"Установка драйверов отменена", u"Driver installation cancelled"},
    {u"mes_filetoolarge", u"Файл слишком велик", u"The file is too large"},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsAdded() {
  return kRows;
}
