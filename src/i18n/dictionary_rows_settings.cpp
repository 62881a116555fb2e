#include "i18n/dictionary_rows.h"

// Messages of the settings page that the table of the devices' tools never had.

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"mes_settingsskipped", u"Настройки, которые не помещаются в место хранения, пропущены:",
     u"Settings that do not fit their storage were skipped:"},
    {u"mes_settingsbuilderror", u"Структура настроек повреждена:", u"The settings structure is damaged:"},
    {u"mes_valueempty", u"Не задано значение параметра", u"No value given for parameter"},
    {u"mes_fileentry", u"Настройка %1: %2", u"Setting %1: %2"},
    {u"mes_entrywidth", u"%1 байт вместо %2", u"%1 bytes instead of %2"},
    {u"mes_entryoverrun", u"запись выходит за конец образа", u"the entry runs past the end of the image"},
    {u"mes_entrynotinlist", u"Значения нет в списке параметра", u"The value is not in the list of parameter"},
    {u"mes_filepassword", u"Пароль из файла", u"The file's password"},
    {u"mes_valuenotstorable", u"Значение настройки %1%2 не помещается в место хранения; ничего не записано",
     u"The value of setting %1%2 does not fit its storage; nothing was written"},
    {u"mes_ownvalue", u"Собственное значение устройства вне допустимых границ; сохраняется как есть",
     u"The device's own value, outside the allowed bounds; kept as it is"},
    {u"mes_passwordchanged", u"Пароль устройства изменён", u"The device's password was changed"},
    {u"mes_mastertext", u"мастер датчиков топлива не принимает текстовых команд",
     u"a fuel-sensor master takes no text commands"},
    {u"mes_deviceimagedamaged", u"Образ настроек устройства повреждён",
     u"The device's settings image is damaged"},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsSettings() {
  return kRows;
}
