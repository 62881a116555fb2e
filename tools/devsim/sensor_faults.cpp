#include "sensor_faults.h"

#include "updates/crypto/checksums.h"

TFaultySensorSim::TFaultySensorSim(std::unique_ptr<TSensorSim> aMaster, TSensorFaults aFaults)
    : FMaster(std::move(aMaster)), FFaults(std::move(aFaults)) {
  FSince.start();
}

qsizetype TFaultySensorSim::AnswerLength(const QByteArray& aBytes, qsizetype aAt) {
  if (aAt + 4 > aBytes.size())
    return 0;
  qsizetype body = 0;
  switch (static_cast<quint8>(aBytes.at(aAt + 2))) {
  case 0xB0:
  case 0xB4:
    body = 32;
    break;
  case 0xB1:
    body = 48;
    break;
  case 0xB2:
  case 0xB5:
    body = 1;
    break;
  case 0xB7:
    body = 2;
    break;
  case 0xB8:
    body = 8 * qsizetype(static_cast<quint8>(aBytes.at(aAt + 3))) + 1;
    break;
  default:
    return 0;
  }
  return aAt + 4 + body <= aBytes.size() ? 4 + body : 0;
}

QByteArray TFaultySensorSim::Alter(QByteArray aAnswer) const {
  const quint8 command = static_cast<quint8>(aAnswer.at(2));
  if (FFaults.ForcedStatus >= 0 && (command == 0xB2 || command == 0xB5 || command == 0xB7)) {
    aAnswer[3] = static_cast<char>(FFaults.ForcedStatus);
    aAnswer = AppendCrc8(aAnswer.left(aAnswer.size() - 1));
  }
  if (FFaults.BadCrc)
    aAnswer.back() = static_cast<char>(aAnswer.back() ^ 0xA5);
  return FFaults.Noise + aAnswer;
}

QByteArray TFaultySensorSim::Feed(const QByteArray& aBytes) {
  const QByteArray answers = FMaster->Feed(aBytes);
  QByteArray out;
  qsizetype at = 0;
  while (at < answers.size()) {
    const qsizetype length = AnswerLength(answers, at);
    if (length == 0) {
      // Not an answer the list above knows: passed on untouched.
      out += answers.mid(at);
      break;
    }
    ++FAnswers;
    if (!FFaults.Drop.contains(FAnswers)) {
      const QByteArray answer = Alter(answers.mid(at, length));
      const auto late = FFaults.Late.constFind(FAnswers);
      if (late != FFaults.Late.cend() || !FDelayed.isEmpty()) {
        const qint64 now = FSince.elapsed();
        const qint64 own = now + (late != FFaults.Late.cend() ? late.value() : 0);
        FDelayed.append({FDelayed.isEmpty() ? own : qMax(own, FDelayed.last().DueMs), answer});
      } else {
        out += answer;
      }
    }
    at += length;
  }
  return out;
}

QByteArray TFaultySensorSim::Due() {
  QByteArray out;
  const qint64 now = FSince.elapsed();
  while (!FDelayed.isEmpty() && FDelayed.first().DueMs <= now)
    out += FDelayed.takeFirst().Bytes;
  return out;
}

QByteArray TFaultySensorSim::Stream() {
  if (!FFaults.Unsolicited)
    return {};
  // Level 2048 of 4095, 20 degrees, nothing else: a master pushing its first sensor's reading.
  QByteArray answer = QByteArray("\x3E\x10\xB4", 3) + QByteArray::fromHex("010008140000000000000000000000") +
                      QByteArray(17, '\0');
  return Alter(AppendCrc8(answer));
}
