#pragma once

#include "sensor_sim.h"
#include "sim_device.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QSet>
#include <memory>

// What can go wrong between a fuel-sensor master and the program, on demand.
struct TSensorFaults {
  // Status byte of every write and restart answer; -1 leaves the master's own.
  int ForcedStatus = -1;
  // Answers never sent, by their number counting from 1.
  QSet<int> Drop;
  // The trailing CRC-8 of every answer is wrong.
  bool BadCrc = false;
  // Bytes of line noise in front of every answer.
  QByteArray Noise;
  // Stream() yields an answer nobody asked for (sensor data of the first slot).
  bool Unsolicited = false;
  // Answers sent this many milliseconds late, by their number counting from 1. A master works
  // through its requests in turn, so every later answer waits behind a late one.
  QHash<int, int> Late;
};

// A fuel-sensor master with faults: the master answers as ever, and its answers are then dropped,
// altered or preceded by noise before they reach the line.
class TFaultySensorSim : public TSimDevice {
public:
  TFaultySensorSim(std::unique_ptr<TSensorSim> aMaster, TSensorFaults aFaults);

  QByteArray Feed(const QByteArray& aBytes) override;
  QByteArray Stream() override;
  QByteArray Due() override;

  // Length of the answer that starts at aAt (its command and count bytes read from there), or 0
  // when the bytes do not hold one.
  static qsizetype AnswerLength(const QByteArray& aBytes, qsizetype aAt);

private:
  QByteArray Alter(QByteArray aAnswer) const;

  std::unique_ptr<TSensorSim> FMaster;
  TSensorFaults FFaults;
  int FAnswers = 0;
  struct TDelayed {
    qint64 DueMs;
    QByteArray Bytes;
  };
  // Answers held back, in the order they go out.
  QList<TDelayed> FDelayed;
  QElapsedTimer FSince;
};
