#pragma once

#include "sim_device.h"

#include <QByteArray>
#include <array>

class TClock;

// Who the master is and what a search finds.
struct TSensorIdentity {
  // Six bytes in stored order (as they travel on the line); empty keeps the built-in address.
  QByteArray Address;
  qint64 UptimeAtStart = 3725;
  // Sensors a search reports; -1 reports the built-in four.
  int SearchCount = -1;
};

// A generation-3 fuel-sensor master with three slots: silent until asked, it answers every request
// whose CRC-8 checks with the echoed command byte, a body of the command's fixed length and a
// CRC-8 over the whole answer. Requests with a wrong CRC or an unknown command are dropped and the
// stream is searched again for the next request, so noise costs no more than the bytes it hits;
// a request cut short is forgotten after a pause on the line.
class TSensorSim : public TSimDevice {
public:
  static constexpr int kSlots = 3;
  static constexpr int kSlotRecordSize = 16;
  static constexpr int kSensorRecordSize = 32;

  explicit TSensorSim(const TClock& aClock, const TSensorIdentity& aIdentity = {});

  QByteArray Feed(const QByteArray& aBytes) override;

  // Parameter bytes a request of the command carries; -1 for a command the master does not know.
  static int RequestParameterLength(quint8 aCommand);

private:
  QByteArray Execute(quint8 aCommand, const QByteArray& aParameters);
  QByteArray MasterInfo(const QByteArray& aParameters);
  QByteArray SlotList(const QByteArray& aParameters);
  QByteArray WriteSlot(const QByteArray& aParameters);
  QByteArray SensorData(const QByteArray& aParameters);
  QByteArray WriteSensor(const QByteArray& aParameters);
  QByteArray Restart(const QByteArray& aParameters);
  QByteArray Search(const QByteArray& aParameters);

  const TClock& FClock;
  TSensorIdentity FIdentity;
  qint64 FBootMs;
  qint64 FLastInputMs;
  QByteArray FInput;
  std::array<QByteArray, kSlots> FSlotRecords;
  std::array<QByteArray, kSlots> FSensorRecords;
};
