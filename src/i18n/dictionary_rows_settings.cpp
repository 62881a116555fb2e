#include "i18n/dictionary_rows.h"

// Messages of the settings page that the table of the devices' tools never had.

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"mes_settingsskipped", u"Настройки, которые не помещаются в место хранения, пропущены:",
     u"Settings that do not fit their storage were skipped:"},
    {u"mes_settingsbuilderror", u"Структура настроек повреждена:", u"The settings structure is damaged:"},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsSettings() {
  return kRows;
}
