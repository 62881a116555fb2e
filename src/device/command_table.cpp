#include "device/command_table.h"

#include "core/log_file.h"
#include "device/port_info.h"
#include "i18n/dictionary.h"
#include "updates/crypto/checksums.h"

#include <initializer_list>

namespace {

// Operations a row can start on the port.
enum : qint32 {
  opNone = 0,
  opMemoryRead = 2,
  opMemoryReadAll = 3,
  opFirmwareLine = 4,
  opFirmwareDisk = 5,
  opFactoryRfid = 6,
  opFileRead = 7,
  opFactoryTest = 8,
};

struct TRange {
  qint32 Min;
  qint32 Max;
};

// A built-in command, one row per range. Ident: "-" separator, "RU|EN" own captions, else the
// command's name. Frame: hexadecimal bytes of a sensor request; its CRC-8 is appended when the
// table is filled.
struct TBuiltinCommand {
  const char16_t* Ident;
  std::initializer_list<TRange> Ranges;
  const char* Send;
  const char* Frame;
  qint32 Operation;
  bool Show;
  // Asked before running: what it does to the device cannot be taken back.
  bool Confirmation = false;
};

// Types that keep recorded memory and files.
#define STORAGE_TYPES                                                                                        \
  {5, 12}, {17, 222}, {224, 224}, {231, 231}, {                                                              \
    235, 235                                                                                                 \
  }

const TBuiltinCommand kBuiltinCommands[] = {
    {u"-", {{0, 255}}, nullptr, nullptr, opNone, true},
    {u"act_Reboot", {{1, 1}}, "restart\r\n", nullptr, opNone, true},
    {u"act_Reboot", {{5, 81}}, ">D 1\r\n", nullptr, opNone, true},
    {u"act_Reboot", {{82, 99}}, "*SERV*1.7\r\n", nullptr, opNone, true},
    {u"act_Reboot", {{100, 249}}, ">D 1\r\n", nullptr, opNone, true},
    {u"act_Reboot", {{250, 250}}, nullptr, "3110B70001", opNone, true},
    {u"act_Reboot", {{303, 304}}, "rst\r\n", nullptr, opNone, true},
    {u"act_Reboot", {{305, 306}}, ">D 1\r\n", nullptr, opNone, true},
    {u"-", {{0, 255}}, nullptr, nullptr, opNone, true},
    {u"act_UpdateSoftLocal", {{1, 1}}, "upgrade extflash\r\n", nullptr, opNone, true},
    {u"act_UpdateSoftLocal", {{5, 12}, {17, 32}, {36, 81}, {100, 215}}, ">D 3;0\r\n", nullptr, opNone, true},
    {u"act_UpdateSoftLocal",
     {{33, 35}, {82, 82}, {99, 99}, {216, 222}, {224, 224}, {226, 226}, {229, 231}, {235, 235}},
     nullptr,
     nullptr,
     opFirmwareDisk,
     true},
    {u"act_UpdateSoftLocal",
     {{223, 223}, {225, 225}, {227, 228}, {232, 234}, {236, 236}},
     nullptr,
     nullptr,
     opFirmwareLine,
     true},
    {u"act_UpdateCANProgLocal", {{99, 99}}, nullptr, nullptr, opFirmwareDisk, true},
    {u"act_UpdateSoftWEB", {{1, 1}}, "remotix getfw\r\n", nullptr, opNone, true},
    {u"act_UpdateSoftWEB", {{5, 81}, {99, 249}}, ">D 2;0\r\n", nullptr, opNone, true},
    {u"act_UpdateSettingsWEB", {{1, 1}}, "remotix getconf\r\n", nullptr, opNone, true},
    {u"act_UpdateSettingsWEB", {{5, 81}, {99, 249}}, ">D 0;0\r\n", nullptr, opNone, true},
    {u"-", {{0, 255}}, nullptr, nullptr, opNone, true},
    {u"act_EraseExternalMemory", {{1, 1}}, "storage clear\r\n", nullptr, opNone, true, true},
    {u"act_EraseExternalMemory", {{5, 249}}, ">D 8;0\r\n", nullptr, opNone, true, true},
    {u"MemoryReadAll", {STORAGE_TYPES}, nullptr, nullptr, opMemoryReadAll, true},
    {u"MemoryRead", {STORAGE_TYPES}, nullptr, nullptr, opMemoryRead, true},
    {u"FilereadAll", {STORAGE_TYPES}, nullptr, nullptr, opFileRead, true},
    {u"-", {{0, 255}}, nullptr, nullptr, opNone, true},
    {u"Послать пакет с координатами|Send packet with coordinates",
     {{1, 1}},
     "sendpacket\r\n",
     nullptr,
     opNone,
     true},
    {u"Послать пакет с координатами|Send packet with coordinates",
     {{5, 81}},
     ">D 4;1\r\n",
     nullptr,
     opNone,
     true},
    {u"Послать пакет с координатами|Send packet with coordinates",
     {{82, 99}},
     "*SERV*1.1\r\n",
     nullptr,
     opNone,
     true},
    {u"Послать пакет с координатами|Send packet with coordinates",
     {{100, 249}},
     ">D 4;1\r\n",
     nullptr,
     opNone,
     true},
    // Read by the settings page, not from the menu.
    {u"SettingsGet", {{1, 1}}, "settings get\r\n", nullptr, opNone, false},
    {u"SettingsGet", {{5, 249}}, ">D 15;0\r\n", nullptr, opNone, false},
    {u"SettingsGet", {{250, 250}}, nullptr, "3110B1", opNone, false},
    {u"SettingsGet", {{305, 306}}, ">D 15;0\r\n", nullptr, opNone, false},
    {u"Записать лог CAN|Write CAN log",
     {{217, 217}, {224, 224}, {231, 231}},
     "*SERV*42\r\n",
     nullptr,
     opNone,
     true},
    {u"Получить информацию о мастере|Get info about master", {{250, 250}}, nullptr, "3110B0", opNone, true},
    {u"Получить список датчиков|Get sensor list", {{250, 250}}, nullptr, "3110B1", opNone, true},
    {u"FindSensors250", {{250, 250}}, nullptr, "3110B8", opNone, true},
    {u"act_TestStart", {{303, 303}}, nullptr, nullptr, opFactoryRfid, true},
    {u"EnterLotNumber", {{303, 303}}, nullptr, nullptr, opNone, true},
    {u"act_TestStart", {{304, 304}}, nullptr, nullptr, opFactoryTest, true},
    {u"EnterLotNumber", {{304, 304}}, nullptr, nullptr, opNone, true},
    {u"Калибровка угла наклона|Tilt angle calibration", {{305, 306}}, ">T 2\r\n", nullptr, opNone, true},
};

#undef STORAGE_TYPES

constexpr qint32 kAnyType = 65535;

} // namespace

int CommandDeviceType(const TPortInfo& aPort) {
  bool ok = false;
  const int type = aPort.DeviceVer().toInt(&ok, 10);
  return ok ? type : -1;
}

void TCommandTable::Commands_New(const QString& aIdent, qint32 aDeviceMin, qint32 aDeviceMax,
                                 const QByteArray& aSend, qint32 aOperation, bool aConfirmation, bool aShow) {
  TCommand row;
  if (aIdent == QLatin1String("-")) {
    row.NameRU = row.NameEN = aIdent;
  } else if (const qsizetype bar = aIdent.indexOf(QLatin1Char('|')); bar >= 0) {
    row.NameRU = aIdent.left(bar);
    row.NameEN = aIdent.mid(bar + 1);
  } else {
    row.Ident = aIdent;
    row.NameRU = FDictionary.Translate(TDictionary::lnRussian, aIdent);
    row.NameEN = FDictionary.Translate(TDictionary::lnEnglish, aIdent);
  }
  row.Confirmation = aConfirmation;
  row.Show = aShow;
  row.DeviceMin = aDeviceMin;
  row.DeviceMax = aDeviceMax;
  row.Send = aSend;
  row.Operation = aOperation;
  FRows.append(row);
}

void TCommandTable::Fill(const TPortInfo* aCurrent, const QList<TCustomCommandSet>& aCustom) {
  FRows.clear();
  ++FGeneration;
  if (aCurrent)
    Commands_New(QStringLiteral("PasswordDo"), 1, 1, ToLogCodePage(aCurrent->UserPassword()) + "\r\n", opNone,
                 false, false);
  for (const TBuiltinCommand& command : kBuiltinCommands) {
    QByteArray send;
    if (command.Frame)
      send = AppendCrc8(QByteArray::fromHex(command.Frame));
    else if (command.Send)
      send = command.Send;
    for (const TRange& range : command.Ranges)
      Commands_New(QString::fromUtf16(command.Ident), range.Min, range.Max, send, command.Operation,
                   command.Confirmation, command.Show);
  }

  for (const TCustomCommandSet& set : aCustom) {
    // A fuel-sensor master takes request frames only; its send gate drops text lines, so text
    // commands stored for it (by an older version) are not offered.
    if (set.Entries.isEmpty() || set.Type == kFuelMasterType)
      continue;
    Commands_New(QStringLiteral("-"), 0, kAnyType, {});
    for (qsizetype k = 0; k < set.Entries.size(); ++k) {
      const QString& entry = set.Entries.at(k);
      const qsizetype at = entry.indexOf(QLatin1Char('@'));
      if (at < 0)
        continue;
      // The user's name is shown as typed: it is neither a dictionary key nor split into two
      // captions at a "|".
      TCommand row;
      row.Ident = QString::number(k + 1) + QStringLiteral(": ") + entry.left(at);
      row.NameRU = row.NameEN = row.Ident;
      row.DeviceMin = row.DeviceMax = set.Type;
      row.Send = ToLogCodePage(entry.mid(at + 1)) + "\r\n";
      FRows.append(row);
    }
  }

  Commands_New(QStringLiteral("-"), 0, kAnyType, {});
  Commands_New(QStringLiteral("AddCustomCommand"), 0, kAnyType, {});
  Commands_New(QStringLiteral("DelCustomCommand"), 0, kAnyType, {});
}

bool TCommandTable::Fits(int aIndex, const TPortInfo* aPort) const {
  if (!aPort || aIndex < 0 || aIndex >= FRows.size())
    return false;
  const int type = CommandDeviceType(*aPort);
  const TCommand& row = FRows.at(aIndex);
  return row.DeviceMin <= type && type <= row.DeviceMax;
}

int TCommandTable::Find(const QString& aName, const TPortInfo* aPort) const {
  for (int i = 0; i < FRows.size(); ++i) {
    if (FRows.at(i).Ident == aName && Fits(i, aPort))
      return i;
  }
  return -1;
}

QList<TCommandMenuItem> TCommandTable::MenuFor(const TPortInfo* aPort, int aLanguage) const {
  QList<TCommandMenuItem> items;
  for (int i = 0; i < FRows.size(); ++i) {
    if (!Fits(i, aPort))
      continue;
    const TCommand& row = FRows.at(i);
    TCommandMenuItem item;
    item.Index = i;
    item.Visible = row.Show;
    item.Separator = row.IsSeparator();
    item.Caption = aLanguage == TDictionary::lnEnglish ? row.NameEN : row.NameRU;
    if (item.Caption.isEmpty())
      item.Caption = FDictionary.Translate(aLanguage, row.Ident);
    items.append(item);
  }
  return items;
}
