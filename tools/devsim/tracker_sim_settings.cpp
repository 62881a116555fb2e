// The settings image in its two layouts: built from the settings the tracker holds, read back and
// checked before anything in it is taken, and the records that carry it over the line.

#include "tracker_sim.h"
#include "tracker_sim_common.h"
#include "updates/crypto/checksums.h"

using namespace TrackerSim;

namespace {

quint16 BigEndian16(const QByteArray& aBytes, qsizetype aAt) {
  const auto high = static_cast<quint8>(aBytes.at(aAt));
  const auto low = static_cast<quint8>(aBytes.at(aAt + 1));
  return static_cast<quint16>(high << 8 | low);
}

quint16 LittleEndian16(const QByteArray& aBytes, qsizetype aAt) {
  const auto low = static_cast<quint8>(aBytes.at(aAt));
  const auto high = static_cast<quint8>(aBytes.at(aAt + 1));
  return static_cast<quint16>(high << 8 | low);
}

} // namespace

QByteArray TTrackerSim::SettingsImage() const {
  QByteArray image;
  if (SettingsLayout() == 1) {
    image = QByteArray(4, '\0');
    for (auto it = FSettings.cbegin(); it != FSettings.cend(); ++it) {
      if (it.key() > 255)
        continue;
      image += '\x23';
      image += static_cast<char>(it.key());
      image += static_cast<char>(it.value().size());
      image += it.value();
    }
    image.replace(0, 2, IntegerBytes(image.size() - 4, 2, true));
    image.replace(2, 2, IntegerBytes(Crc16(image, 4, int(image.size()) - 1), 2, true));
    return image;
  }
  image = QByteArray(3, '\0');
  image[0] = '\x01';
  for (auto it = FSettings.cbegin(); it != FSettings.cend(); ++it) {
    image += IntegerBytes(it.key(), 2, false);
    image += static_cast<char>(it.value().size());
    image += it.value();
  }
  image += QByteArray(2, '\0');
  image.replace(1, 2, IntegerBytes(image.size() - 5, 2, false));
  image.replace(image.size() - 2, 2, IntegerBytes(Crc16(image, 0, int(image.size()) - 3), 2, true));
  return image;
}

bool TTrackerSim::ApplySettingsImage(const QByteArray& aImage) {
  QMap<int, QByteArray> entries;
  if (SettingsLayout() == 1) {
    if (aImage.size() < 4 || BigEndian16(aImage, 0) != aImage.size() - 4 ||
        BigEndian16(aImage, 2) != Crc16(aImage, 4, int(aImage.size()) - 1))
      return false;
    for (qsizetype at = 4; at < aImage.size();) {
      if (at + 3 > aImage.size() || aImage.at(at) != '\x23')
        return false;
      const int length = static_cast<quint8>(aImage.at(at + 2));
      if (at + 3 + length > aImage.size())
        return false;
      entries[static_cast<quint8>(aImage.at(at + 1))] = aImage.mid(at + 3, length);
      at += 3 + length;
    }
  } else {
    if (aImage.size() < 5 || aImage.at(0) != '\x01' || LittleEndian16(aImage, 1) + 5 != aImage.size() ||
        BigEndian16(aImage, aImage.size() - 2) != Crc16(aImage, 0, int(aImage.size()) - 3))
      return false;
    for (qsizetype at = 3; at < aImage.size() - 2;) {
      if (at + 3 > aImage.size() - 2)
        return false;
      const int length = static_cast<quint8>(aImage.at(at + 2));
      if (at + 3 + length > aImage.size() - 2)
        return false;
      entries[LittleEndian16(aImage, at)] = aImage.mid(at + 3, length);
      at += 3 + length;
    }
  }
  // A value of the wrong width for its setting would be taken for another value.
  for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
    const int width = SettingWidth(FType, it.key());
    if (width > 0 && it.value().size() != width)
      return false;
  }
  for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
    const bool password = it.key() == kPasswordSetting || it.key() == kPasswordSetting2;
    if (!password) {
      FSettings[it.key()] = it.value();
    } else if (!it.value().isEmpty() && it.value().size() <= 6) {
      // One password, wherever the image put it.
      FPassword = it.value();
      FSettings[kPasswordSetting] = FPassword;
      if (SettingsLayout() == 2)
        FSettings[kPasswordSetting2] = FPassword;
    }
  }
  return true;
}

QByteArray TTrackerSim::ReadSettings(const QByteArray&) {
  if (FCorrupt != ciNone)
    return Record("SF", '"' + CorruptedImageText(SettingsImage(), SettingsLayout(), FCorrupt) + '"');
  return Record("SF", '"' + Base64Encode(SettingsImage()).toLatin1() + '"');
}

QByteArray TTrackerSim::WriteSettings(const QByteArray& aLine) {
  const qsizetype mark = aLine.indexOf("*CONF*");
  const QByteArray password = aLine.left(mark);
  bool decoded = false;
  const QByteArray image = Base64Decode(QString::fromLatin1(aLine.mid(mark + 6)), &decoded);
  const bool saved = password == FPassword && decoded && ApplySettingsImage(image);
  return Record("SR", saved ? "1" : "0");
}
