#include "i18n/dictionary_rows.h"

// The preparation station: one job for every device of a box.

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"act_PageStation", u"|Станция подготовки: одно задание для всех устройств",
     u"|Preparation station: one job for every device"},
    {u"station_readsettings", u"Чтение настроек", u"Read settings"},
    {u"station_writesettings", u"Запись настроек", u"Write settings"},
    {u"station_firmware", u"Прошивка", u"Firmware"},
    {u"station_command", u"Команда", u"Command"},
    {u"station_dumpmemory", u"Чтение памяти", u"Dump memory"},
    {u"station_readfiles", u"Чтение файлов", u"Read files"},
    {u"station_printsticker", u"Печать наклейки", u"Print sticker"},
    {u"station_noprinter", u"Печать наклеек недоступна", u"Sticker printing is not available"},
    {u"station_printed", u"Наклейка напечатана", u"Sticker printed"},
    {u"station_idle", u"Ожидает", u"Waiting"},
    {u"station_window", u"Занят окном", u"Used by the window"},
    {u"station_running", u"Выполняется", u"Running"},
    {u"station_done", u"Готово", u"Done"},
    {u"station_failed", u"Ошибка", u"Failed"},
    {u"station_unplugged", u"Отключено во время работы", u"Unplugged mid-job"},
    {u"station_gone", u"Отключено", u"Unplugged"},
    {u"station_identifying", u"Опознание", u"Identifying"},
    {u"station_stepok", u"выполнено", u"done"},
    {u"station_stepfailed", u"ошибка", u"failed"},
    {u"station_coltime", u"Время", u"Time"},
    {u"station_colport", u"Порт", u"Port"},
    {u"station_colgeneration", u"Поколение", u"Generation"},
    {u"station_coltype", u"Тип", u"Type"},
    {u"station_colid", u"ID", u"ID"},
    {u"station_colimei", u"IMEI", u"IMEI"},
    {u"station_colsoftware", u"Версия ПО", u"Software"},
    {u"station_colstate", u"Состояние", u"State"},
    {u"station_colprogress", u"Ход", u"Progress"},
    {u"station_colresult", u"Результат", u"Result"},
    {u"station_colsteps", u"Шаги", u"Steps"},
    {u"station_coloutcome", u"Итог", u"Outcome"},
    {u"station_colerror", u"Ошибка", u"Error"},
    {u"station_plan", u"Задание", u"Job"},
    {u"station_addstep", u"Добавить шаг", u"Add step"},
    {u"station_removestep", u"Убрать", u"Remove"},
    {u"station_stepup", u"Выше", u"Up"},
    {u"station_stepdown", u"Ниже", u"Down"},
    {u"station_password", u"Пароль устройств:", u"Device password:"},
    {u"station_logs", u"Журналы обмена в папку", u"Exchange logs to folder"},
    {u"station_start", u"Запустить", u"Start"},
    {u"station_stop", u"Остановить", u"Stop"},
    {u"station_restart", u"Повторить", u"Run again"},
    {u"station_report", u"Сохранить отчёт", u"Save report"},
    {u"station_summary", u"Готово: %1, ошибок: %2, выполняется: %3", u"Done: %1, failed: %2, running: %3"},
    {u"station_noplan", u"Добавьте в задание хотя бы один шаг", u"Add at least one step to the job"},
    {u"station_commandident", u"Команда (Ident из таблицы команд):",
     u"Command (its Ident in the command table):"},
    {u"station_reportfilter", u"Отчёт CSV (*.csv)", u"CSV report (*.csv)"},
    {u"station_reportsaved", u"Отчёт сохранён", u"Report saved"},
    {u"mes_stationport", u"Этот порт занят станцией подготовки",
     u"This port is busy with the preparation station"},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsStation() {
  return kRows;
}
