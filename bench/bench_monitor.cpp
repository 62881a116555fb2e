// Putting values on the monitor: the cost per value must not depend on how many elements the
// pages hold.

#include "base/clock.h"
#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "platform/registry.h"
#include "platform/serial_enumerator.h"
#include "ui/tmf.h"

#include <QApplication>
#include <QTemporaryDir>
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
