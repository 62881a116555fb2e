#include "i18n/dictionary_rows.h"

// Trends of monitor values: the monitor line's menu and the chart pane.

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"TrendShow", u"Показать тренд", u"Show trend"},
    {u"TrendHide", u"Скрыть тренд", u"Hide trend"},
    {u"TrendFollow", u"Следить", u"Follow"},
    {u"TrendFollowHint", u"Показывать последние значения", u"Keep the newest values in view"},
    {u"TrendCsvHint", u"Сохранить видимые ряды в файл CSV", u"Save the visible series as CSV"},
    {u"TrendPngHint", u"Сохранить график как картинку PNG", u"Save the chart as a PNG picture"},
    {u"mes_trendsaved", u"Сохранено:", u"Saved:"},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsTrends() {
  return kRows;
}
