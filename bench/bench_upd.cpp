// The firmware exchange end to end over a pseudo-terminal: the simulated tracker asks for a 1 MB
// image chunk by chunk, the program answers through the real serial driver, receive path, framer,
// status decoder and transfer. Reported: the request -> answer latency the device sees (median
// and 99th percentile, target: median under 2 ms, five times better than a 10 ms poll) and the
// whole transfer's time against what the line itself allows at 115200 baud.

#include "base/clock.h"
#include "core/comm_port_driver.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/device_operations.h"
#include "device/operations_host.h"
#include "device/poll_cycle.h"
#include "device/port_info.h"
#include "protocols/quiet_host.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"
#include "pty_port.h"
#include "tracker_sim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

// Everything but the port, the operations and the transfer stays quiet.
class TTransferHost : public TQuietHost, public IOperationsHost {
public:
  TPortInfo* Port = nullptr;
  TDeviceOperations* Operations = nullptr;
  QString Image;

  TPortInfo* Q() override { return Port; }
  bool StartOperation(TPortInfo* aPort, quint8 aValue) override {
    return !Operations || Operations->Start(aPort, aValue);
  }
  void QOperationData2(int aIndex) override { Operations->QOperationData2(aIndex); }
  void QOperationData7(int aIndex) override { Operations->QOperationData7(aIndex); }
  void FirmwareTransferFrame(const QString& aValue) override { Operations->FirmwareTransferFrame(aValue); }
  QString OperationOpenFile(const QString&) override { return Image; }
  QString OperationSaveFile(const QString&, const QString&, const QString&) override { return {}; }
  QString OperationFolder(const QString&) override { return {}; }
  void SetProgressText(const QString&) override {}
  void SetLanguageIndicator(qint64, qint64) override {}
  bool AdminMode() const override { return false; }
  bool EmulateUpd() const override { return false; }
  QString FindVolumeByLabel(const QString&) override { return {}; }
  void StartCopyFileTo(const QString&, const QString&) override {}
  void ScheduleLater(int, std::function<void()>) override {}
};

struct TTransferRig {
  QTemporaryDir Dir;
  TTransferHost Host;
  TExchangeCore Core{Host, TClock::System()};
  TCommPortDriver Driver;
  TPollCycle Poll{Core};
  TDeviceOperations Operations{Core, Poll, Host};
  TStatusDecoderV1 Decoder{Core, Host};
  std::unique_ptr<TPortInfo> Port;
  TPtyPort Line;
  std::unique_ptr<TTrackerSim> Device;
  QByteArray ImageBytes;
  std::vector<double> LatenciesUs;
  qint64 WireBytes = 0;
  QElapsedTimer Clock;
  qint64 RequestAt = -1;

  bool Open(int aImageSize) {
    QString error;
    if (!Line.Open(&error))
      return false;
    ImageBytes.resize(aImageSize);
    for (int i = 0; i < aImageSize; ++i)
      ImageBytes[i] = char((i * 37) ^ (i >> 9));
    Host.Image = Dir.filePath(QStringLiteral("bench-1.0.dfw"));
    QFile image(Host.Image);
    if (!image.open(QIODevice::WriteOnly) || image.write(ImageBytes) != ImageBytes.size())
      return false;
    image.close();
    TTrackerOperationOptions options;
    options.Upd.FwOut = Dir.filePath(QStringLiteral("received.bin"));
    Device = std::make_unique<TTrackerSim>(TTrackerOptions{227, 1, {}, "111111"}, TClock::System(), options);

    Core.SetVersion(vtVersion1);
    Decoder.Install();
    Host.Operations = &Operations;
    Port = std::make_unique<TPortInfo>(Core);
    Host.Port = Port.get();
    Port->SetDevicePassword(Port->UserPassword());
    Driver.SetPort(Line.SlavePath());
    Driver.SetOnReceiveData([this](TCommPortDriver* aSender, const char* aData, int aSize) {
      Core.QReceiveData(aSender, aData, aSize);
    });
    if (!Driver.Connect())
      return false;
    Port->SetCom(&Driver);
    QObject::connect(&Line, &TPtyPort::Received, &Line,
                     [this](const QByteArray& aBytes) { FromProgram(aBytes); });
    Clock.start();
    return true;
  }

  // The device's end: a completed answer line yields its next request at once.
  void FromProgram(const QByteArray& aBytes) {
    WireBytes += aBytes.size();
    const qint64 now = Clock.nsecsElapsed();
    const QByteArray out = Device->Feed(aBytes);
    if (out.isEmpty())
      return;
    if (RequestAt >= 0 && out.contains(">UPD="))
      LatenciesUs.push_back(double(now - RequestAt) / 1000.0);
    WireBytes += out.size();
    RequestAt = Clock.nsecsElapsed();
    Line.Write(out);
  }

  bool Run() {
    Port->SetOperation(4);
    QElapsedTimer limit;
    limit.start();
    while (QFile(Dir.filePath(QStringLiteral("received.bin"))).size() != ImageBytes.size() ||
           !Host.Operations->Firmware().isEmpty()) {
      if (limit.elapsed() > 300000)
        return false;
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
  }
};

double Percentile(std::vector<double> aValues, double aShare) {
  if (aValues.empty())
    return 0;
  std::sort(aValues.begin(), aValues.end());
  const auto at = std::size_t(aShare * double(aValues.size() - 1) + 0.5);
  return aValues[std::min(at, aValues.size() - 1)];
}

void BM_UpdTransfer(benchmark::State& aState) {
  std::vector<double> latencies;
  qint64 wire = 0;
  for (auto _ : aState) {
    aState.PauseTiming();
    auto rig = std::make_unique<TTransferRig>();
    if (!rig->Open(int(aState.range(0)))) {
      aState.SkipWithError("cannot open the pseudo-terminal");
      return;
    }
    aState.ResumeTiming();
    if (!rig->Run()) {
      aState.SkipWithError("the transfer did not finish");
      return;
    }
    aState.PauseTiming();
    latencies.insert(latencies.end(), rig->LatenciesUs.begin(), rig->LatenciesUs.end());
    wire = rig->WireBytes;
    rig.reset();
    aState.ResumeTiming();
  }
  aState.counters["median_us"] = Percentile(latencies, 0.5);
  aState.counters["p99_us"] = Percentile(latencies, 0.99);
  aState.counters["requests"] = double(latencies.size()) / double(aState.iterations());
  aState.counters["wire_bytes"] = double(wire);
  // 8N1: ten bits on the line per byte.
  aState.counters["line_limit_s"] = double(wire) * 10.0 / 115200.0;
}
BENCHMARK(BM_UpdTransfer)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
