#include "i18n/dictionary_rows.h"

// Texts the window shows beyond the table of the devices' tools: titles of its file dialogs,
// answers to the technician's actions and captions that had none. Looked up after that table.

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"dlg_OpenCFG", u"Открыть файл настроек", u"Open settings file"},
    {u"dlg_SaveCFG", u"Сохранить настройки в файл", u"Save settings to file"},
    {u"dlg_OpenLog", u"Открыть лог обмена", u"Open exchange log"},
    {u"dlg_OpenFile", u"Выберите файл", u"Choose a file"},
    {u"dlg_SaveFile", u"Сохранить в файл", u"Save to file"},
    {u"flt_log", u"Логи обмена", u"Log files"},
    {u"flt_dump", u"Дампы памяти", u"Memory dump files"},
    {u"flt_cfg", u"Файлы настроек", u"Configuration files"},
    {u"flt_firmware", u"Файлы прошивки", u"Firmware files"},
    {u"flt_other", u"Другие файлы", u"Other files"},
    {u"_DevicePassword", u"Пароль устройства", u"Device password"},
    {u"mes_commandsent", u"Команда отправлена", u"Command sent"},
    {u"_ConfirmIrreversible", u"Это действие нельзя отменить.", u"This cannot be undone."},
    {u"act_FuelMaster", u"Это мастер - перключить 19200 и v.250",
     u"This is a master: switch to 19200 and v.250"},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsWindow() {
  return kRows;
}
