#include "device/device_operations.h"

#include "base/clock.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/block_reading.h"
#include "device/operations_host.h"
#include "device/poll_cycle.h"
#include "device/port_info.h"
#include "device/stored_files.h"
#include "platform/file_copy.h"
#include "protocols/firmware_transfer.h"
#include "updates/crypto/checksums.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

namespace {

constexpr char kEnterReception[] = ">D 3;0\r\n";
constexpr char kNoVersion[] = "255";
// Loader disks of the types that do not follow the LOADER_<type> rule carry their model's name.
constexpr char kFleetLoaderLabel[] = "VT_FLEET";
constexpr char kVt35LoaderLabel[] = "VT_35";
constexpr char kFolderTitle[] = "Выберите папку для сохранения";

bool SaveAtomically(const QString& aFileName, const QByteArray& aBytes) {
  QSaveFile file(aFileName);
  return file.open(QIODevice::WriteOnly) && file.write(aBytes) == aBytes.size() && file.commit();
}

} // namespace

TDeviceOperations::TDeviceOperations(TExchangeCore& aCore, TPollCycle& aPoll, IOperationsHost& aHost,
                                     QObject* aParent)
    : QObject(aParent), FCore(aCore), FPoll(aPoll), FHost(aHost) {
  FPoll.SetUpdateFlow(4, [this] { FirmwareOverLineTick(); });
  FPoll.SetUpdateFlow(5, [this] { LoaderDiskTick(); });
  connect(&FPoll, &TPollCycle::UpdateCleanup, this, &TDeviceOperations::Cleanup);
}

TDeviceOperations::~TDeviceOperations() {
  FPoll.SetUpdateFlow(4, {});
  FPoll.SetUpdateFlow(5, {});
}

void TDeviceOperations::Hint(int aKind, const QString& aText) {
  FCore.Host().MainHintShow(aKind, aText);
}

QString TDeviceOperations::Text(const char* aKey) const {
  return FCore.Host().Translate(QString::fromLatin1(aKey));
}

qint64 TDeviceOperations::Now() const {
  return FCore.Clock().MonotonicMs();
}

// ---------------------------------------------------------------------------------------------
// Names

std::pair<QString, QString> TDeviceOperations::VersionFromFileName(const QString& aFileName) {
  // Only the file's own name: a "-" or "." in a folder name says nothing of the version.
  QString rest = QFileInfo(aFileName).fileName().toLower();
  QString major;
  QString minor;
  const qsizetype dash = rest.indexOf(QLatin1Char('-'));
  if (dash >= 0) {
    rest = rest.mid(dash + 1);
    const qsizetype dot = rest.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
      major = rest.left(dot);
      rest = rest.mid(dot + 1);
      const qsizetype next = rest.indexOf(QLatin1Char('.'));
      minor = next >= 0 ? rest.left(next) : rest;
    }
  }
  if (major.isEmpty() && minor.isEmpty())
    return {QString::fromLatin1(kNoVersion), QString::fromLatin1(kNoVersion)};
  return {major, minor};
}

QString TDeviceOperations::LoaderDiskLabel(const QString& aDeviceType) {
  if (aDeviceType == QLatin1String("82") || aDeviceType == QLatin1String("99"))
    return QString::fromLatin1(kFleetLoaderLabel);
  if (aDeviceType == QLatin1String("35"))
    return QString::fromLatin1(kVt35LoaderLabel);
  return QStringLiteral("LOADER_") + aDeviceType;
}

QString TDeviceOperations::DumpFileName(const QString& aImei, const QString& aDeviceName,
                                        const QDateTime& aAt) {
  const QLocale locale = QLocale::system();
  QString time = locale.toString(aAt.time(), QLocale::LongFormat);
  time.replace(QLatin1Char(':'), QLatin1Char('-'));
  const QString name = aImei + QLatin1Char(' ') + aDeviceName + QLatin1Char(' ') +
                       locale.toString(aAt.date(), QLocale::ShortFormat) + QLatin1Char(' ') + time +
                       QStringLiteral(".dump");
  return StoredFiles::FileNameFromText(name);
}

// ---------------------------------------------------------------------------------------------
// Starting

bool TDeviceOperations::Start(TPortInfo* aPort, quint8 aValue) {
  switch (aValue) {
  case 2:
  case 3:
  case 7:
    return StartReading(aPort, aValue);
  case 4:
  case 5:
    return StartFirmware(aPort, aValue);
  default:
    // 0 ends whatever runs; the factory flows keep their own preconditions.
    return true;
  }
}

bool TDeviceOperations::StartReading(TPortInfo* aPort, quint8 aValue) {
  const bool files = aValue == 7;
  const qint64 first = files ? aPort->FFileOffset : aPort->FMemoryOffset;
  const qint64 size = files ? aPort->FFileCount : aPort->FMemoryCount;
  const qint64 total = files ? aPort->FFileCount : aValue == 2 ? aPort->FMemoryWrite : aPort->FMemoryCount;
  // Nothing to read would otherwise end at once and report an empty file as saved.
  if (first == 0 || size == 0 || total <= 0) {
    Hint(3, Text("mes_devicememoryempty"));
    return false;
  }
  const QString dumpName = DumpFileName(aPort->DeviceIMEI(), aPort->DeviceName(), FCore.Clock().Now());
  QString text;
  if (files) {
    const QString folder = FHost.OperationFolder(QString::fromUtf8(kFolderTitle));
    if (folder.isEmpty())
      return false;
    aPort->FFileDir = folder;
    aPort->FMemoryFile = QDir(folder).filePath(dumpName);
    aPort->FFileIndex = 0;
    text = Text("mes_devicefilereading");
  } else {
    const QString file = FHost.OperationSaveFile(dumpName, QStringLiteral("dump"), QStringLiteral("*.dump"));
    if (file.isEmpty())
      return false;
    aPort->FMemoryFile = file;
    aPort->FMemoryIndex = 0;
    text = Text("mes_devicememoryreading");
  }
  FHost.SetProgressText(text);
  Hint(3, text);
  FBlockBuffer.reset();
  FHost.SetLanguageIndicator(0, 1);
  RequestBlock(aPort, first);
  return true;
}

bool TDeviceOperations::Refused(TPortInfo* aPort) {
  if (!FCore.Host().Q() || !aPort) {
    Hint(0, Text("mes_infonodevice"));
    return true;
  }
  if (aPort->WriteLocked()) {
    Hint(0, Text("mes_passwordneedfw"));
    return true;
  }
  return false;
}

bool TDeviceOperations::StartFirmware(TPortInfo* aPort, quint8 aValue) {
  if (Refused(aPort))
    return false;
  const QString file = FHost.OperationOpenFile(QStringLiteral("*.dfw"));
  if (file.isEmpty())
    return false;
  // An unreadable or empty image would only end in the watchdog, long after the mistake.
  qint64 size = FileSizeOf(file);
  QByteArray image;
  if (aValue == 4) {
    QFile source(file);
    if (source.open(QIODevice::ReadOnly))
      image = source.readAll();
    size = source.error() == QFileDevice::NoError ? image.size() : -1;
  }
  if (size <= 0) {
    Hint(0, Text("mes_fileopenerror"));
    return false;
  }
  if (aValue == 4) {
    FFirmware = image;
  } else {
    FUpdateFilePath = file;
    FUpdateDiskLabel = LoaderDiskLabel(aPort->FDeviceVerField());
  }
  std::tie(FFirmwareVerMajor, FFirmwareVerMinor) = VersionFromFileName(file);
  aPort->SendAnsiString(kEnterReception);
  FPoll.SetUpdateOperation(aValue);
  const QString message = FirmwareMessage(size, aPort);
  FHost.SetProgressText(message);
  Hint(3, message);
  FPoll.SetUpdateTag(0);
  if (aValue == 4) {
    FPoll.ArmUpdateTimer(kFirstRequestMs);
    if (FHost.EmulateUpd())
      EmulateRequest(kEmulatedFirstRequestMs, FirmwareTransfer::fcInfo, QByteArray());
  } else {
    FHost.SetLanguageIndicator(0, size);
    FPoll.ArmUpdateTimer(kDiskFirstLookMs);
  }
  return true;
}

QString TDeviceOperations::FirmwareMessage(qint64 aSize, const TPortInfo* aPort) const {
  QString message = Text("mes_deviceupdateloading") + QStringLiteral(". ") + Text("_UPD_FWsize") +
                    QStringLiteral(": ") + QString::asprintf("%.1f", double(aSize) / 1024.0) +
                    QStringLiteral(" KB. ");
  const QString soft = aPort->DeviceSOFT();
  const qsizetype bar = soft.indexOf(QLatin1Char('|'));
  if (FFirmwareVerMajor != QLatin1String(kNoVersion) && bar >= 0)
    message += Text("_SoftVersion") + QStringLiteral(": ") + soft.mid(bar + 1, 4) + QStringLiteral(" -> ") +
               FFirmwareVerMajor + QLatin1Char('.') + FFirmwareVerMinor;
  return message;
}

// ---------------------------------------------------------------------------------------------
// Block readers

void TDeviceOperations::QOperationData2(int aIndex) {
  ReadBlock(aIndex, false);
}

void TDeviceOperations::QOperationData7(int aIndex) {
  ReadBlock(aIndex, true);
}

void TDeviceOperations::RequestBlock(TPortInfo* aPort, qint64 aNumber) {
  aPort->FMemoryTime = Now();
  aPort->SendAnsiString(BlockReading::BlockRequest(aNumber));
}

void TDeviceOperations::ReadBlock(int aIndex, bool aFiles) {
  TPortInfo* port = FCore.Host().Q();
  TPacketArray& packets = FCore.Gen1Index();
  if (!port || aIndex < 0 || aIndex >= int(packets.size()) || packets[std::size_t(aIndex)].State == psOpen)
    return;
  const TPacket packet = packets[std::size_t(aIndex)];
  const BlockReading::TBlockAnswer answer =
      BlockReading::ParseBlockAnswer(FCore.TrafficLog().AsText(packet.Position, packet.Size));
  qint32& index = aFiles ? port->FFileIndex : port->FMemoryIndex;
  const qint64 first = aFiles ? port->FFileOffset : port->FMemoryOffset;
  const qint64 total = aFiles                   ? port->FFileCount
                       : port->Operation() == 2 ? port->FMemoryWrite
                                                : port->FMemoryCount;
  const qint64 now = Now();
  if (!answer.IsAnswer) {
    if (now - port->FMemoryTime > kGiveUpMs) {
      port->SetOperation(0);
      Hint(0, Text("mes_filesaveerror"));
      EndProgress();
    } else if (now - port->FMemoryTime > kReRequestMs) {
      RequestBlock(port, index + first);
    }
    return;
  }
  FHost.SetLanguageIndicator(index, total);
  if (answer.Number == index + first && !answer.Data.isEmpty()) {
    if (!FBlockBuffer)
      FBlockBuffer.emplace();
    FBlockBuffer->append(answer.Data);
    packets[std::size_t(aIndex)].State = psRecognised;
    ++index;
    port->FMemoryTime = now;
  }
  if (index < total) {
    // A block that was rejected is asked for again at once.
    RequestBlock(port, index + first);
    return;
  }
  port->SetOperation(0);
  if (aFiles)
    FinishFiles(port);
  else
    FinishMemory(port);
}

void TDeviceOperations::EndProgress() {
  FHost.SetProgressText(QString());
  FHost.SetLanguageIndicator(0, 0);
}

void TDeviceOperations::FinishMemory(TPortInfo* aPort) {
  const bool saved = FBlockBuffer && SaveAtomically(aPort->FMemoryFile, *FBlockBuffer);
  FBlockBuffer.reset();
  if (saved)
    Hint(3, Text("mes_filesave"));
  else
    Hint(0, Text("mes_filesaveerror"));
  EndProgress();
}

void TDeviceOperations::FinishFiles(TPortInfo* aPort) {
  if (!FBlockBuffer) {
    Hint(0, Text("mes_filesaveerror"));
    EndProgress();
    return;
  }
  QDir().mkpath(aPort->FFileDir);
  bool failed = FHost.AdminMode() && !SaveAtomically(aPort->FMemoryFile, *FBlockBuffer);
  const StoredFiles::TWriteResult result =
      StoredFiles::WriteAll(StoredFiles::Extract(*FBlockBuffer), aPort->FFileDir);
  FBlockBuffer.reset();
  failed = failed || result.Failed > 0;
  if (failed) {
    // Which file: a name the device allows may still be too long or otherwise refused here.
    QString text = Text("mes_filesaveerror");
    if (!result.FailedFiles.isEmpty()) {
      if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
      text += QStringLiteral(": ") + result.FailedFiles.join(QStringLiteral(", "));
    }
    Hint(0, text);
  }
  if (result.Written > 0)
    Hint(3, Text("mes_devicefileok") + QLatin1Char(' ') + QString::number(result.Written));
  else if (!failed)
    Hint(3, Text("mes_devicefileempty"));
  EndProgress();
}

// ---------------------------------------------------------------------------------------------
// Firmware over the line

void TDeviceOperations::FirmwareTransferFrame(const QString& aValue) {
  FPoll.ArmUpdateTimer(kTransferWatchdogMs);
  TPortInfo* port = FCore.Host().Q();
  if (FFirmware.isEmpty() || !port)
    return;
  const std::optional<FirmwareTransfer::TRequest> request =
      FirmwareTransfer::ParseRequest(FirmwareTransfer::DecodeValue(aValue));
  if (!request)
    return;
  const FirmwareTransfer::TImage image{FFirmware, FFirmwareVerMajor, FFirmwareVerMinor};
  const std::optional<FirmwareTransfer::TAnswer> answer = FirmwareTransfer::Answer(*request, image);
  if (!answer)
    return;
  port->SendAnsiString(port->DevicePassword().toLatin1() + "*UPD*" + Base64Encode(answer->Frame).toLatin1() +
                       "\r\n");
  const bool emulate = FHost.EmulateUpd();
  const qint64 size = FFirmware.size();
  switch (answer->Code) {
  case FirmwareTransfer::fcInfo:
    if (emulate)
      EmulateRequest(kEmulatedRequestMs, FirmwareTransfer::fcChunk,
                     FirmwareTransfer::ChunkPayload(FirmwareTransfer::VersionByte(FFirmwareVerMajor),
                                                    FirmwareTransfer::VersionByte(FFirmwareVerMinor),
                                                    request->Byte14, request->Byte15, 0,
                                                    quint32(qMin<qint64>(kEmulatedChunk, size) - 1)));
    break;
  case FirmwareTransfer::fcChunk:
    FHost.SetLanguageIndicator(answer->ChunkEnd, size);
    if (emulate && answer->ChunkEnd < size)
      EmulateRequest(
          kEmulatedRequestMs, FirmwareTransfer::fcChunk,
          FirmwareTransfer::ChunkPayload(FirmwareTransfer::VersionByte(FFirmwareVerMajor),
                                         FirmwareTransfer::VersionByte(FFirmwareVerMinor), request->Byte14,
                                         request->Byte15, quint32(answer->ChunkEnd),
                                         quint32(qMin<qint64>(answer->ChunkEnd + kEmulatedChunk, size) - 1)));
    else if (emulate)
      EmulateRequest(kEmulatedRequestMs + kEmulatedDoneMs, FirmwareTransfer::fcDone, QByteArray(1, '\1'));
    break;
  case FirmwareTransfer::fcDone: {
    FFirmware.clear();
    port->SetOperation(0);
    FPoll.SetUpdateOperation(0);
    FPoll.ArmUpdateTimer(kLastMessageMs);
    const QString text = Text("mes_deviceupdatecomplete");
    Hint(1, text);
    FHost.SetProgressText(text);
    break;
  }
  }
}

void TDeviceOperations::EmulateRequest(int aDelayMs, quint8 aCode, const QByteArray& aPayload) {
  FHost.ScheduleLater(aDelayMs, [this, aCode, aPayload] {
    const TPortInfo* port = FCore.Host().Q();
    if (!port)
      return;
    const QString imei = port->DeviceIMEI();
    bool imeiOk = false;
    const quint64 imeiNumber = imei.size() == 15 ? imei.toULongLong(&imeiOk) : 0;
    bool typeOk = false;
    const uint type = port->DeviceVer().toUInt(&typeOk);
    const quint8 typeByte = typeOk && type <= 255 ? quint8(type) : quint8(8);
    const QByteArray frame =
        FirmwareTransfer::BuildRequest(imeiOk ? imeiNumber : 0, typeByte, aCode, aPayload);
    const QByteArray line = ">UPD=\"" + Base64Encode(frame).toLatin1() + "\"\r\n";
    FCore.QReceiveData(nullptr, line.constData(), int(line.size()));
  });
}

void TDeviceOperations::FirmwareOverLineTick() {
  // The device did not ask for firmware in time.
  Hint(0, Text("mes_deviceupdatefail_timeout"));
  FPoll.SetUpdateOperation(0);
  FPoll.ArmUpdateTimer(kLastMessageMs);
}

// ---------------------------------------------------------------------------------------------
// Firmware to the loader disk

void TDeviceOperations::LoaderDiskTick() {
  if (FCopying)
    return;
  const QString drive = FHost.FindVolumeByLabel(FUpdateDiskLabel);
  if (drive.isEmpty()) {
    FPoll.SetUpdateTag(FPoll.UpdateTag() + 1);
    if (FPoll.UpdateTag() > kDiskLooks) {
      FPoll.SetUpdateTag(0);
      FPoll.SetUpdateOperation(0);
      Hint(0, Text("mes_deviceupdatefail_timeout"));
    }
    FPoll.ArmUpdateTimer(kDiskLookMs);
    return;
  }
  FCopySize = FileSizeOf(FUpdateFilePath);
  FHost.SetLanguageIndicator(0, FCopySize);
  FCopying = true;
  FHost.StartCopyFileTo(FUpdateFilePath, drive);
}

void TDeviceOperations::CopyProgress(qint64 aDone, qint64 aTotal) {
  if (FCopying)
    FHost.SetLanguageIndicator(aDone, aTotal);
}

void TDeviceOperations::CopyFinished(bool aSuccess) {
  if (!FCopying)
    return;
  FCopying = false;
  if (aSuccess) {
    const QString text = Text("mes_deviceupdatecomplete");
    FHost.SetProgressText(text);
    Hint(1, text);
    FHost.SetLanguageIndicator(FCopySize, FCopySize);
  } else {
    const QString text = Text("mes_filesaveerror");
    FHost.SetProgressText(text);
    Hint(0, text);
  }
  FPoll.SetUpdateOperation(0);
  FPoll.ArmUpdateTimer(kLastMessageMs);
}

void TDeviceOperations::Cleanup() {
  FUpdateFilePath.clear();
  FUpdateDiskLabel.clear();
  FFirmwareVerMajor.clear();
  FFirmwareVerMinor.clear();
  FFirmware.clear();
}
