#pragma once

// A window stand-in for the status decoder that writes every call it gets as one line of text,
// and a rig with a generation-1 core, a selected port and the decoder installed.

#include "core/core_fixture.h"
#include "i18n/dictionary.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"

#include <QByteArray>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <stdexcept>

inline QString DescribeColor(TColorRef aColor) {
  switch (aColor) {
  case clRed:
    return QStringLiteral("red");
  case clYellow:
    return QStringLiteral("yellow");
  case clWhite:
    return QStringLiteral("white");
  case clGreyValue:
    return QStringLiteral("grey");
  case clLightGrey:
    return QStringLiteral("lgrey");
  case 0xFF9900:
    return QStringLiteral("link");
  default:
    return QString::number(aColor, 16);
  }
}

// "-" for a cleared value, else the kind ("s" text, "i" integer, "f" floating) and the value.
inline QString DescribeValue(const QVariant& aValue) {
  if (!aValue.isValid())
    return QStringLiteral("-");
  switch (aValue.typeId()) {
  case QMetaType::Double:
    return QStringLiteral("f:") + QString::number(aValue.toDouble(), 'g', 12);
  case QMetaType::Int:
  case QMetaType::LongLong:
    return QStringLiteral("i:") + aValue.toString();
  case QMetaType::QString:
    return QStringLiteral("s:") + aValue.toString();
  default:
    return QStringLiteral("?:") + aValue.toString();
  }
}

inline QString Extras(const QStringList& aParts) {
  return aParts.isEmpty() ? QString()
                          : QStringLiteral(" {") + aParts.join(QLatin1Char(' ')) + QLatin1Char('}');
}

class TStatusRecorder : public TRecorderHost, public IStatusHost {
public:
  TDictionary Dictionary;
  quint8 Operation = 0;
  quint8 Stage = 0;
  bool FailImage = false;

  TStatusRecorder() { Dictionary.SetLanguage(TDictionary::lnEnglish); }

  QString Translate(const QString& aKey) override { return Dictionary.Translate(aKey); }

  // "ident=value {a0 colour ~alternative}" with only the arguments that differ from the defaults.
  bool VisualSetValue(const QString& aName, const QVariant& aValue, int aAction, const QString& aValueAlter,
                      TColorRef aColor) override {
    QStringList extras;
    if (aAction != 1)
      extras << QStringLiteral("a%1").arg(aAction);
    if (aColor != clValuePlaceholder)
      extras << DescribeColor(aColor);
    if (!aValueAlter.isEmpty())
      extras << QLatin1Char('~') + aValueAlter;
    Calls << aName + QLatin1Char('=') + DescribeValue(aValue) + Extras(extras);
    // The window writes identity into the shown port; the SIM's ICCID is what a factory step reads.
    if (Port && aName == QLatin1String("_ModemSIMICCID0"))
      Port->SetDeviceICCID(aValue.toString());
    return true;
  }
  void MainHintShow(int aKind, const QString& aText) override {
    TRecorderHost::MainHintShow(aKind, aText);
    Calls << QStringLiteral("Hint%1:").arg(aKind) + aText;
  }
  bool StartOperation(TPortInfo*, quint8 aValue) override {
    Calls << QStringLiteral("Operation:%1").arg(aValue);
    return true;
  }

  quint8 UpdateOperation() const override { return Operation; }
  TColorRef LinkColor() const override { return 0xFF9900; }
  void SetUpdateStage(quint8 aStage) override { Calls << QStringLiteral("Stage:%1").arg(aStage); }
  quint8 UpdateStage() const override { return Stage; }
  bool SetValueOut(bool aValue) override {
    Calls << QStringLiteral("ValueOut:%1").arg(int(aValue));
    return true;
  }
  // "item Section/Ident 'Caption'! = value {colour icon units:…}"; "!" when the caption is always set.
  void SetDynamicItem(const TDynamicItem& aItem) override {
    QStringList extras;
    if (aItem.Color != clValuePlaceholder)
      extras << DescribeColor(aItem.Color);
    if (!aItem.IconPrefix.isEmpty())
      extras << aItem.IconPrefix;
    if (aItem.SetUnits)
      extras << QStringLiteral("units:") + aItem.Units;
    Calls << QStringLiteral("item %1/%2 '%3'%4 = ")
                     .arg(aItem.Section, aItem.Ident, aItem.Caption,
                          aItem.CaptionAlways ? QStringLiteral("!") : QString()) +
                 DescribeValue(aItem.Value) + Extras(extras);
  }
  void AddOrUpdateBLEDevice(const QString& aMAC, const QString& aRSSI, const QString& aData) override {
    Calls << QStringList{QStringLiteral("BLE:") + aMAC, aRSSI, aData}.join(QLatin1Char('|'));
  }
  void AddOrUpdateWiFi(const QString& aMAC, const QString& aRSSI, const QString& aSSID) override {
    Calls << QStringList{QStringLiteral("WiFi:") + aMAC, aRSSI, aSSID}.join(QLatin1Char('|'));
  }
  void AddOrUpdateLBS(const QString& aMCC, const QString& aMNC, const QString& aRSSI, const QString& aCID,
                      const QString& aLAC) override {
    Calls << QStringList{QStringLiteral("LBS:") + aMCC, aMNC, aRSSI, aCID, aLAC}.join(QLatin1Char('|'));
  }
  void ApplySettingsImage(const QString& aBase64) override {
    Calls << QStringLiteral("Image:") + aBase64;
    if (FailImage)
      throw std::runtime_error("settings image rejected");
  }
  void FirmwareTransferFrame(const QString& aValue) override { Calls << QStringLiteral("UPD:") + aValue; }
};

// A generation-1 core whose selected port (unless made without one) sits on a fake driver.
struct TStatusRig {
  TStatusRecorder Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TFakeDriver Driver;
  std::unique_ptr<TPortInfo> Port;
  TStatusDecoderV1 Decoder{Core, Host};

  explicit TStatusRig(bool aWithPort = true) {
    Core.SetVersion(vtVersion1);
    Decoder.Install();
    if (aWithPort) {
      Port = std::make_unique<TPortInfo>(Core);
      Driver.Connect();
      Port->SetCom(&Driver);
      Host.Port = Port.get();
    }
    Host.Calls.clear();
  }

  // The port's type and device name, set as the identity records would; their notices are dropped.
  void Identity(const QString& aType, const QString& aName = QString()) {
    Port->SetDeviceVer(aType);
    if (!aName.isEmpty())
      Port->SetDeviceName(aName);
    Host.Calls.clear();
  }

  // Receives ">" + the record + CR LF as the device sends it (one byte per character) and returns
  // the State the decoder left on the packet.
  int Feed(const QString& aRecord) {
    const std::size_t at = Core.Gen1Index().size();
    const QByteArray bytes = '>' + aRecord.toLatin1() + "\r\n";
    Core.QReceiveData(nullptr, bytes.constData(), int(bytes.size()));
    return at < Core.Gen1Index().size() ? Core.Gen1Index()[at].State : -1;
  }
};
