// Putting values on the monitor: the cost per value must not depend on how many elements the
// pages hold.

#include "base/clock.h"
#include "core/virtual_comm_driver.h"
#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "monitor/repaint_queue.h"
#include "platform/registry.h"
#include "platform/serial_enumerator.h"
#include "ui/tmf.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>
#include <benchmark/benchmark.h>

namespace {

class TOnePort : public ISerialEnumerator {
public:
  QList<TSerialPortEntry> Enumerate() override {
    return {{QStringLiteral("USB\\VID_0483&PID_5740"), QStringLiteral("Tracker (ttyACM0)"),
             QStringLiteral("/nonexistent/ttyACM0")}};
  }
};

const char* const kMix[] = {"_Latitude",       "_Longitude",     "_Speed",         "_Azimuth",
                            "_Satellites",     "_HDOP",          "_Altitude",      "_ExternalVoltage",
                            "_BatteryVoltage", "_ModemSignal",   "_ModemOperator", "_Server1",
                            "_CountTCP1",      "_CanSpeed",      "_CanEngineRPM",  "_CanMileage",
                            "3 _InOut",        "_InternalTtime", "_Uptime",        "_DeviceID"};

// One status set as the simulated tracker sends it.
QByteArray StatusSet() {
  return ">TW=1796911183;4001\r\n"
         ">GK=55.755953;37.741965\r\n"
         ">GS=11;60;150;12;29;1\r\n"
         ">TM=0;0\r\n"
         ">PB=13910;4150\r\n"
         ">DS=331647\r\n"
         ">DS2=34775635\r\n"
         ">MS=6\r\n"
         ">ML=21;250;01\r\n"
         ">SMS=3;3;1\r\n"
         ">RW1=1200;1200;4096;256\r\n"
         ">FS1=4;4;64;8192\r\n"
         ">CA=184325\r\n"
         ">CQ=62\r\n"
         ">CH=2599\r\n"
         ">CP=12418\r\n"
         ">CS=614400\r\n"
         ">IA1=3571\r\n"
         ">ID2=1\r\n"
         ">O10=0\r\n"
         ">LLS=1;1;3071;20;1267\r\n"
         ">TEST=RTC;OK\r\n"
         ">IG=1\r\n"
         ">TMP=28\r\n"
         ">ACC=1004;3;-180;12\r\n";
}

void VisualSetValue(benchmark::State& state) {
  TRegistry registry;
  TMF window(
      registry, [] { return false; }, std::make_unique<TOnePort>());
  window.resize(1280, 800);
  window.show();
  window.Core().SetVersion(vtVersion1);
  // More elements, as dynamic sensor items would add.
  auto* sensors = qobject_cast<TCaptionClass*>(window.VisualFind(QStringLiteral("_SensorMB")));
  for (int i = 0; i < state.range(0); ++i) {
    auto* item = new TItemClass(window.MonitorContext(), sensors->Body());
    item->SetIdent(QStringLiteral("MBR %1").arg(i));
  }
  const int elements = int(window.VisualIndex().Elements().size());
  QList<QString> idents;
  for (const char* id : kMix)
    idents << QString::fromLatin1(id);
  qint64 n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(window.VisualSetValue(idents[int(n % idents.size())], QVariant(qint64(n))));
    ++n;
  }
  state.SetItemsProcessed(n);
  state.counters["elements"] = elements;
}
BENCHMARK(VisualSetValue)->Arg(0)->Arg(3600);

// Status records through the whole receive path: receive entry, framer, decoder, monitor.
void StatusRecordsToMonitor(benchmark::State& state) {
  TRegistry registry;
  TMF window(
      registry, [] { return false; }, std::make_unique<TOnePort>());
  window.resize(1280, 800);
  window.show();
  window.Core().SetVersion(vtVersion1);
  const QByteArray set = StatusSet();
  const int recordsPerSet = 25;
  qint64 records = 0;
  for (auto _ : state) {
    for (qsizetype pos = 0; pos < set.size(); pos += 64)
      window.Core().QReceiveData(nullptr, set.constData() + pos, int(qMin<qsizetype>(64, set.size() - pos)));
    records += recordsPerSet;
  }
  state.SetItemsProcessed(records);
  state.counters["recognised"] = window.Core().RecognisedCount(1);
}
BENCHMARK(StatusRecordsToMonitor);

// A whole 50 MB exchange log, as the log page saves it (a stamp per status line), loaded for replay
// and every entry put through the receive path to the monitor, as a replay at full speed does.
void ReplayLogToMonitor(benchmark::State& state) {
  constexpr qint64 kLogBytes = 50 << 20;
  const QList<QByteArray> lines = StatusSet().split('\n');
  QByteArray content;
  content.reserve(kLogBytes + 4096);
  qint64 ms = 10 * 3600000;
  while (content.size() < kLogBytes)
    for (const QByteArray& line : lines) {
      if (line.isEmpty())
        continue;
      content += QTime::fromMSecsSinceStartOfDay(int(ms % 86400000)).toString(u"hh:mm:ss.zzz").toLatin1() +
                 '\t' + line.chopped(1) + "\r\n";
      ms += 3;
    }
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("replay.log"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
      state.SkipWithError("cannot write the log file");
      return;
    }
  }
  qint64 records = 0;
  double recognised = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      TRegistry registry;
      auto window = std::make_unique<TMF>(
          registry, [] { return false; }, std::make_unique<TOnePort>());
      window->resize(1280, 800);
      window->show();
      window->Core().SetVersion(vtVersion1);
      state.ResumeTiming();
      TVirtualCommDriver driver;
      QString error;
      if (!driver.LoadFromFile(path, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
      }
      for (const TLogEntry& entry : driver.LogEntries())
        window->Core().QReceiveData(nullptr, entry.Data.data(), int(entry.Data.size()));
      records += qint64(driver.LogEntries().size());
      recognised = window->Core().RecognisedCount(1);
      // The last values reach the screen.
      if (TRepaintQueue* queue = window->MonitorContext().Repaint)
        queue->Flush();
      QCoreApplication::processEvents();
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.SetItemsProcessed(records);
  state.counters["MB"] = double(content.size()) / (1 << 20);
  state.counters["recognised"] = recognised;
}
BENCHMARK(ReplayLogToMonitor)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
  QTemporaryDir home;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
