#pragma once

#include "i18n/dictionary.h"

#include <span>

// The fixed dictionary is kept in several files by key range; FixedDictionary() joins them in this
// order: actions and messages, status words and units, monitor captions, tests and sensors.
std::span<const TDictionaryRow> DictionaryRowsMessages();
std::span<const TDictionaryRow> DictionaryRowsStatus();
std::span<const TDictionaryRow> DictionaryRowsMonitor();
std::span<const TDictionaryRow> DictionaryRowsSensors();
// Captions the compiled-in table lacks, looked up after it.
std::span<const TDictionaryRow> DictionaryRowsAdded();
// Texts of the web updates that the table above does not have; looked up after it.
std::span<const TDictionaryRow> DictionaryRowsUpdates();
// Captions of the generation-2 lines and the sensor masters' messages, looked up after it too.
std::span<const TDictionaryRow> DictionaryRowsLegacy();
// Messages of the settings page, looked up after it.
std::span<const TDictionaryRow> DictionaryRowsSettings();
// Texts of the production-line flows, looked up after it.
std::span<const TDictionaryRow> DictionaryRowsFactory();
// The packet inspector of the log page, looked up after it.
std::span<const TDictionaryRow> DictionaryRowsInspector();
// Messages of the command line, looked up after it.
std::span<const TDictionaryRow> DictionaryRowsCli();
// Captions and status lines of the BLE, Wi-Fi and cell pickers, looked up after it.
std::span<const TDictionaryRow> DictionaryRowsPickers();
// Titles, answers and captions of the window's own, looked up after it.
std::span<const TDictionaryRow> DictionaryRowsWindow();
// The trend pane and the monitor line's trend menu, looked up after it.
std::span<const TDictionaryRow> DictionaryRowsTrends();
std::span<const TDictionaryRow> DictionaryRowsStation();
