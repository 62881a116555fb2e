#include "i18n/dictionary_rows.h"

// The BLE, Wi-Fi and cell pickers of the settings page's "..." buttons.

namespace {

constexpr TDictionaryRow kRows[] = {
    {u"pick_ble_title", u"Выбор BLE устройства", u"BLE device selection"},
    {u"pick_wifi_title", u"Выбор Wi-Fi сети", u"Wi-Fi network selection"},
    {u"pick_lbs_title", u"Выбор соты (LBS)", u"Cell selection (LBS)"},
    {u"pick_start", u"Старт", u"Start"},
    {u"pick_stop", u"Стоп", u"Stop"},
    {u"pick_cancel", u"Отмена", u"Cancel"},
    {u"pick_col_name", u"Имя", u"Name"},
    {u"pick_col_type", u"Тип", u"Type"},
    {u"pick_col_version", u"Версия", u"Version"},
    {u"pick_col_temp", u"Темп.", u"Temp."},
    {u"pick_col_params", u"Параметры", u"Parameters"},
    {u"pick_col_voltage", u"Напряжение", u"Voltage"},
    {u"pick_scan_tracker", u"Сканирование трекером", u"Scanning by the tracker"},
    {u"pick_scan_pc", u"Сканирование адаптером ПК\r\n(вывод с трекера недоступен)",
     u"Scanning with the PC's adapter\r\n(no output from the tracker)"},
    {u"pick_error_ble", u"Ошибка:\r\nТрекер не поддерживает скан, на ПК нет Bluetooth",
     u"Error:\r\nThe tracker cannot scan, the PC has no Bluetooth"},
    {u"pick_error_wifi", u"Ошибка:\r\nТрекер не поддерживает скан, на ПК нет WiFi",
     u"Error:\r\nThe tracker cannot scan, the PC has no WiFi"},
    {u"pick_hidden_network", u"[Скрытая сеть]", u"[Hidden network]"},
    // What the BLE sensors report, as the picker's columns word it; %1 and %2 are the values.
    {u"ble_level", u"Уровень: %1%", u"Level: %1%"},
    {u"ble_magnet_wire", u"Магнит: %1, Провод: %2", u"Magnet: %1, Wire: %2"},
    {u"ble_mode_storage", u"Режим: Склад", u"Mode: Storage"},
    {u"ble_turns", u"Обороны: %1", u"Revolutions: %1"},
    {u"ble_angle", u"Угол: %1°", u"Angle: %1°"},
    {u"ble_rpm", u"Об/мин: %1", u"RPM: %1"},
    {u"ble_value", u"Значение: %1", u"Value: %1"},
    {u"ble_input_open", u"Вход: разомкнут", u"Input: open"},
    {u"ble_input_closed", u"Вход: замкнут", u"Input: closed"},
    {u"ble_volts", u"%1 В", u"%1 V"},
};

} // namespace

std::span<const TDictionaryRow> DictionaryRowsPickers() {
  return kRows;
}
