#pragma once

// What the packet describer's files share: the texts of raw bytes, the field builder, and the
// stand-in window the monitor's decoders report to while a packet is described. Not for use
// outside the describer.

#include "base/clock.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "i18n/dictionary.h"
#include "protocols/decode_observer.h"
#include "protocols/fuel_host.h"
#include "protocols/packet_describer.h"
#include "protocols/status_host.h"

namespace PacketDescribing {

inline QString Hex(QByteArrayView aBytes) {
  QString text;
  text.reserve(aBytes.size() * 3);
  static const char digits[] = "0123456789ABCDEF";
  for (const char c : aBytes) {
    if (!text.isEmpty())
      text += u' ';
    text += QLatin1Char(digits[quint8(c) >> 4]);
    text += QLatin1Char(digits[quint8(c) & 15]);
  }
  return text;
}

// One character per byte, as the log shows it; control codes become their visible symbols, so
// that a NUL or a line end inside a field cannot cut or break the line that shows it.
inline QString Visible(const QString& aText) {
  QString text = aText;
  for (QChar& c : text) {
    if (c.unicode() < 0x20)
      c = QChar(0x2400 + c.unicode());
    else if (c.unicode() == 0x7F)
      c = QChar(0x2421);
  }
  return text;
}

inline QString HexByte(quint8 aByte) {
  return QStringLiteral("%1").arg(aByte, 2, 16, QLatin1Char('0')).toUpper();
}

// The bytes of [aOffset, aOffset + aSize) that lie in aBytes.
inline QByteArrayView Slice(const QByteArray& aBytes, qint64 aOffset, qint64 aSize) {
  if (aOffset < 0 || aOffset >= aBytes.size() || aSize <= 0)
    return {};
  return QByteArrayView(aBytes.constData() + aOffset, qMin<qint64>(aSize, aBytes.size() - aOffset));
}

inline TPacketField Field(const QString& aCaption, const QString& aRaw, const QString& aValue,
                          qint64 aOffset = -1, qint64 aSize = 0,
                          TPacketField::TMark aMark = TPacketField::fmPlain) {
  TPacketField f;
  f.Caption = aCaption;
  f.Raw = aRaw;
  f.Value = aValue;
  f.Offset = aOffset;
  f.Size = aSize;
  f.Mark = aMark;
  return f;
}

// Stands in for the window while one of the monitor's decoders reads a packet: writes down every
// value, line, hint and report the decoder would hand the window, and takes part in nothing else.
// It has no port, so whatever a decoder would do to a port (send, start an operation) is skipped
// exactly as it is for a packet that arrives with no port selected.
class TDescribingHost : public IExchangeHost, public IStatusHost, public IFuelHost, public IDecodeObserver {
public:
  struct TShown {
    QString Ident;
    QString Caption;
    QVariant Value;
    qint64 Offset = -1;
    qint64 Size = 0;
  };
  struct TNote {
    QString CaptionKey;
    QString Text;
  };
  struct TStop {
    bool Stopped = false;
    qint64 Offset = -1;
    QString Reason;
    QString Detail;
  };

  explicit TDescribingHost(const TDictionary& aDictionary) : FDictionary(aDictionary) {}

  QList<TShown> Shown;
  QList<TNote> Notes;
  TStop Stop;

  // IDecodeObserver
  void Field(const QString& aIdent, qint64 aOffset, qint64 aSize) override {
    FPendingIdent = aIdent;
    FPendingOffset = aOffset;
    FPendingSize = aSize;
  }
  void Stopped(qint64 aOffset, const QString& aReason, const QString& aDetail) override {
    Stop = TStop{true, aOffset, aReason, aDetail};
  }

  // IExchangeHost
  TPortInfo* Q() override { return nullptr; }
  bool VisualSetValue(const QString& aName, const QVariant& aValue, int, const QString&, TColorRef) override {
    Add(aName, Translate(aName), aValue);
    return true;
  }
  QString Translate(const QString& aKey) override { return FDictionary.Translate(aKey); }
  void MainHintShow(int, const QString& aText) override {
    Notes.append({QStringLiteral("insp_hint"), aText});
  }
  void PostLogChange() override {}
  void StartCheckNameTimer(QObject*) override {}
  void QOperationData2(int) override {}
  void QOperationData7(int) override {}
  void ClearVisualValues() override {}
  void LogViewClear() override {}
  void LogViewSetHex(bool) override {}
  void LogViewSetRowCount(int) override {}
  void SetFollow(bool) override {}
  void OpenSettingsPage() override {}
  void ControlsLoadSettings(const QString&) override {}
  void CommandsUpdate() override {}
  void CommandsExec(const QString&) override {}
  void RefreshCaption() override {}
  void SetSettingsVersionLabel(const QString&) override {}
  void PasswordEditChange() override {}
  void UpdateTypeInfo() override {}
  void ShowSettingsLocked(bool) override {}
  bool StartOperation(TPortInfo*, quint8) override { return false; }
  bool InternetConnected() override { return false; }
  void StartDeviceInfoRequest(TPortInfo*, const QString&) override {}

  // IStatusHost
  quint8 UpdateOperation() const override { return 0; }
  void SetUpdateStage(quint8) override {}
  // A described packet belongs to no flow, so a result never advances one.
  quint8 UpdateStage() const override { return 0; }
  bool SetValueOut(bool aValue) override {
    Notes.append({QStringLiteral("insp_output"), QString::number(int(aValue))});
    return true;
  }
  TColorRef LinkColor() const override { return clValuePlaceholder; }
  void SetDynamicItem(const TDynamicItem& aItem) override {
    Add(aItem.Ident, aItem.Caption.isEmpty() ? Translate(aItem.Ident) : aItem.Caption, aItem.Value);
  }
  void AddOrUpdateBLEDevice(const QString& aMAC, const QString& aRSSI, const QString&) override {
    Notes.append({QStringLiteral("insp_scan"), aMAC + QLatin1String(" / ") + aRSSI});
  }
  void AddOrUpdateWiFi(const QString& aMAC, const QString& aRSSI, const QString& aSSID) override {
    Notes.append(
        {QStringLiteral("insp_scan"), aMAC + QLatin1String(" / ") + aRSSI + QLatin1String(" / ") + aSSID});
  }
  void AddOrUpdateLBS(const QString& aMCC, const QString& aMNC, const QString& aRSSI, const QString& aCID,
                      const QString& aLAC) override {
    Notes.append(
        {QStringLiteral("insp_scan"), QStringList{aMCC, aMNC, aRSSI, aCID, aLAC}.join(QLatin1String(" / "))});
  }
  void ApplySettingsImage(const QString& aBase64) override {
    Notes.append({QStringLiteral("insp_settings_image"), QString::number(aBase64.size())});
  }
  void FirmwareTransferFrame(const QString&) override {}

  // IFuelHost
  std::optional<TFuelField> FuelField(const QString&) override { return std::nullopt; }
  bool ClearSensorResults() override { return true; }
  void AddSensorResult(const QString&, const QString& aCaption, const QString& aValue) override {
    Add(QString(), aCaption, aValue);
  }

private:
  void Add(const QString& aIdent, const QString& aCaption, const QVariant& aValue) {
    TShown shown{aIdent, aCaption, aValue};
    if (!FPendingIdent.isNull() && FPendingIdent == aIdent) {
      shown.Offset = FPendingOffset;
      shown.Size = FPendingSize;
    }
    FPendingIdent = QString();
    Shown.append(shown);
  }

  const TDictionary& FDictionary;
  QString FPendingIdent;
  qint64 FPendingOffset = -1;
  qint64 FPendingSize = 0;
};

// A private exchange core holding just the packet (after its request, for a generation-3 answer),
// switched to the generation so that the decoders speak to the describing host.
struct TPrivateExchange {
  TPrivateExchange(TDescribingHost& aHost, int aGeneration) : Core(aHost, TClock::System()) {
    Core.SetVersion(aGeneration == 1 ? vtVersion1 : aGeneration == 2 ? vtVersion2 : vtVersion3);
  }
  // Adds aBytes as the next entry of the generation's index; returns its number.
  int Add(int aGeneration, const QByteArray& aBytes, quint8 aState) {
    const qint64 at = Core.TrafficLog().Size();
    Core.TrafficLog().Write(aBytes);
    TPacketArray& index = Core.GenIndex(aGeneration);
    index.push_back(TPacket{0, at, aBytes.size(), aState});
    return int(index.size()) - 1;
  }
  TExchangeCore Core;
};

// The framers hand the decoders whole packets only; the inspector also shows packets still open
// and chunks taken for a generation by their first bytes, where a decoder may reach past the end.
// The private log ends with the packet, so such a read throws instead of reading on; it is shown
// as the place where decoding stopped.
template <typename F> void RunDecoder(TDescribingHost& aHost, qint64 aSize, F&& aDecode) {
  try {
    aDecode();
  } catch (const TStreamRangeError&) {
    aHost.Stopped(aSize, QStringLiteral("insp_stop_short"), QString());
  } catch (const std::exception& e) {
    aHost.Stopped(-1, QStringLiteral("insp_stop_error"), QString::fromUtf8(e.what()));
  }
}

} // namespace PacketDescribing
