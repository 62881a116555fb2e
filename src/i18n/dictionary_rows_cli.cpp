#include "i18n/dictionary_rows.h"

// Messages of the command line (velmora-cli).

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"cli_noanswer", u"Устройство не ответило за %1 с", u"The device did not answer within %1 s"},
    {u"cli_timeout", u"Нет продвижения за %1 с", u"No progress within %1 s"},
    {u"cli_openfailed", u"Порт не открывается", u"The port cannot be opened"},
    {u"cli_noport", u"Нет такого порта устройства: %1", u"No such device port: %1"},
    {u"cli_noports", u"Нет ни одного порта устройства", u"No device port is present"},
    {u"cli_nocommand", u"У устройства нет команды %1", u"The device has no command %1"},
    {u"cli_operationrow", u"%1 запускает операцию: используйте dump-memory, read-files или firmware",
     u"%1 starts an operation: use dump-memory, read-files or firmware"},
    {u"cli_nooperation", u"Для этого типа устройства операции нет",
     u"This device type has no such operation"},
    {u"cli_writelocked", u"Пароль устройства не совпадает с указанным (--password)",
     u"The device's password is not the one given (--password)"},
    {u"cli_readlocked", u"Устройство не приняло пароль", u"The device refused the password"},
    {u"cli_verifyfailed", u"Прочитанные настройки отличаются от записанных",
     u"The settings read back differ from those written"},
    {u"cli_settingswritten", u"Настройки записаны и проверены чтением",
     u"Settings written and verified by reading them back"},
    {u"cli_passwordchanged", u"пароль устройства теперь пароль из файла",
     u"the device's password is now the file's"},
    {u"cli_fuelmaster", u"Настройки мастера датчиков топлива записываются из окна программы",
     u"The settings of a fuel-sensor master are written from the window"},
    {u"cli_windowonly", u"Эта операция выполняется из окна программы",
     u"This operation runs from the window"},
    {u"cli_sent", u"Отправлено", u"Sent"},
    {u"cli_differences", u"Различающихся настроек", u"Settings that differ"},
    {u"cli_interrupted", u"Прервано", u"Interrupted"},
    {u"cli_notregular", u"Не обычный файл: %1", u"Not a regular file: %1"},
    {u"cli_logerror", u"Журнал обмена не сохранён", u"The exchange log was not saved"},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsCli() {
  return kRows;
}
