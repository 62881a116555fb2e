#include "fuzz_host.h"

#include "protocols/firmware_transfer.h"
#include "settings/settings_image.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

int gArgc = 1;
char gArgv0[] = "velmora-fuzz";
char* gArgv[] = {gArgv0, nullptr};

} // namespace

void FuzzInitApplication(bool aWidgets) {
  if (QCoreApplication::instance())
    return;
  if (aWidgets) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(gArgc, gArgv);
  } else {
    new QCoreApplication(gArgc, gArgv);
  }
  // Decoders report faults of the input as warnings; thousands a second would drown the
  // fuzzer's own output.
  qSetMessagePattern(QString());
  qInstallMessageHandler([](QtMsgType aType, const QMessageLogContext&, const QString& aText) {
    if (aType == QtFatalMsg) {
      fprintf(stderr, "Qt fatal: %s\n", qPrintable(aText));
      abort();
    }
  });
}

void FuzzProcessEvents() {
  QCoreApplication::sendPostedEvents();
}

QString FuzzWriteFile(const QByteArray& aBytes, const QString& aSuffix) {
  // Memory-backed where there is one: the readers run once per input.
  static const QString folder =
      QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
  const QString path =
      folder + QStringLiteral("/velmora-fuzz-%1%2").arg(QCoreApplication::applicationPid()).arg(aSuffix);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(aBytes) != aBytes.size()) {
    fprintf(stderr, "cannot write %s\n", qPrintable(path));
    abort();
  }
  return path;
}

bool TFuzzHost::VisualSetValue(const QString& aName, const QVariant& aValue, int aAction,
                               const QString& aValueAlter, TColorRef aColor) {
  // The window turns every value into its text.
  Touched += aName.size() + aValue.toString().size() + aAction + aValueAlter.size() + (aColor & 1);
  return true;
}

void TFuzzHost::SetDynamicItem(const TDynamicItem& aItem) {
  Touched += aItem.Section.size() + aItem.Ident.size() + aItem.Caption.size() +
             aItem.Value.toString().size() + aItem.Units.size();
}

void TFuzzHost::AddOrUpdateBLEDevice(const QString& aMAC, const QString& aRSSI, const QString& aDataBase64) {
  if (const TBLEDevice* d = BLE.AddOrUpdate(aMAC, aRSSI, aDataBase64))
    Touched += d->Name.size() + d->MainParam.Args.size();
}

void TFuzzHost::AddOrUpdateWiFi(const QString& aMAC, const QString& aRSSI, const QString& aSSID) {
  WiFi.AddOrUpdate(aMAC, aRSSI, aSSID);
}

void TFuzzHost::AddOrUpdateLBS(const QString& aMCC, const QString& aMNC, const QString& aRSSI,
                               const QString& aCID, const QString& aLAC) {
  LBS.AddOrUpdate(aMCC, aMNC, aRSSI, aCID, aLAC);
}

void TFuzzHost::ApplySettingsImage(const QString& aBase64) {
  const QByteArray image = QByteArray::fromBase64(aBase64.toLatin1());
  for (int layout = 1; layout <= 2; ++layout)
    Touched += DecodeSettingsImage(layout, image).Entries.size();
}

void TFuzzHost::FirmwareTransferFrame(const QString& aValue) {
  const auto request = FirmwareTransfer::ParseRequest(FirmwareTransfer::DecodeValue(aValue));
  if (!request)
    return;
  FirmwareTransfer::TImage image;
  image.Bytes = QByteArray(4096, '\x5A');
  image.VerMajor = QStringLiteral("3");
  image.VerMinor = QStringLiteral("14");
  if (const auto answer = FirmwareTransfer::Answer(*request, image))
    Touched += answer->Frame.size();
}

std::optional<TFuelField> TFuzzHost::FuelField(const QString& aIdent) {
  TFuelField field;
  field.Text = aIdent.right(4);
  field.IsSet = aIdent.size() % 2 == 0;
  field.Changed = aIdent.size() % 3 == 0;
  return field;
}

TFuzzRig::TFuzzRig(TVersionType aVersion, bool aWithPort) {
  Gen1.Install();
  Gen2.Install();
  Gen3.Install();
  Core.SetVersion(aVersion);
  if (aWithPort) {
    Port = std::make_unique<TPortInfo>(Core);
    Port->SetCom(&Driver);
    Host.Port = Port.get();
  }
}

TFuzzRig::~TFuzzRig() {
  Host.Port = nullptr;
  Port.reset();
}

void TFuzzRig::Receive(const QByteArray& aBytes) {
  if (!aBytes.isEmpty())
    Core.QReceiveData(nullptr, aBytes.constData(), int(aBytes.size()));
  Clock.Advance(7);
}

quint32 TChunker::Next(quint32 aBound) {
  // xorshift32: enough spread for chunk sizes, and the same on every machine.
  FState ^= FState << 13;
  FState ^= FState >> 17;
  FState ^= FState << 5;
  return aBound ? FState % aBound : 0;
}

int TChunker::NextSize(int aMax) {
  const quint32 kind = Next(8);
  const int size = kind < 4 ? int(1 + Next(8)) : kind < 7 ? int(1 + Next(64)) : int(1 + Next(4096));
  return qMin(size, aMax);
}
