#include "i18n/dictionary_rows.h"

// Web updates: downloads that broke off, module installs that failed, the program's self-update.

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"mes_updatesfailed", u"Не удалось получить обновления и новости", u"Could not get updates and news"},
    {u"mes_moduleupdatefail", u"Не удалось обновить модули", u"Modules could not be updated"},
    {u"mes_modulenotschema", u"ответ службы не является схемой настроек, прежний модуль сохранён",
     u"the service's answer is not a settings schema, the previous module is kept"},
    {u"mes_updatebusy", u"Обновление ПО недоступно, пока выполняется операция с устройством",
     u"The software cannot be updated while a device operation is running"},
    {u"mes_updatereadonly",
     u"Программа установлена системой, и её файл недоступен для записи. Обновите её менеджером пакетов",
     u"The program was installed by the system and its file cannot be written. Update it with the package "
     u"manager"},
    {u"mes_updateloading", u"Загрузка новой версии ПО", u"Downloading the new software version"},
    {u"mes_updatefailed", u"Не удалось обновить ПО", u"The software could not be updated"},
    {u"mes_nodiraccess", u"Ошибка, нет доступа к каталогу!", u"Error, no access to the folder!"},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsUpdates() {
  return kRows;
}
