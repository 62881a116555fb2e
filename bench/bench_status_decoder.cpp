// Status records decoded per second through the whole receive path: QReceiveData, the
// generation-1 framer and the status decoder, with a window stand-in whose value entry point
// looks the ident up in a hash as the monitor will.

#include "base/clock.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "protocols/status_decoder.h"
#include "protocols/quiet_host.h"
#include "protocols/status_host.h"

#include <QByteArray>
#include <QHash>
#include <QVariant>
#include <benchmark/benchmark.h>

namespace {

class TLookupHost : public TQuietHost {
public:
  QHash<QString, QVariant> Values;
  qint64 Taken = 0;

  bool VisualSetValue(const QString& aName, const QVariant& aValue, int, const QString&, TColorRef) override {
    const auto it = Values.find(aName);
    if (it == Values.end())
      return false;
    *it = aValue;
    ++Taken;
    return true;
  }
  void SetDynamicItem(const TDynamicItem& aItem) override {
    VisualSetValue(aItem.Ident, aItem.Value, 1, {}, 0);
  }
};

// The records a tracker sends every second or so, in the proportions of a live log.
const char* const kRecords[] = {
    "GS=9;62;154;8;271;1",
    "GK=55.751244;37.618423",
    "PB=12840;4120",
    "TW=1700000000;86523",
    "DS=3967",
    "DS2=36708991",
    "ML=21;250;01",
    "RW1=1200;1350;65536;0",
    "CC=12345678",
    "CH=2150",
    "TMP=24",
    "IA2=3300",
    "LLS=1;2;2048;25;1520",
    "MS=6",
    "SMS=4;4;2",
    "CS=1048832",
};

QByteArray Stream(int aRecords) {
  QByteArray out;
  for (int i = 0; i < aRecords; ++i)
    out += QByteArray(">") + kRecords[i % std::size(kRecords)] + "\r\n";
  return out;
}

void DecodeRecords(benchmark::State& state) {
  const int records = int(state.range(0));
  const QByteArray stream = Stream(records);
  const QStringList idents = {"_Satellites",
                              "_Speed",
                              "_Altitude",
                              "_HDOP",
                              "_Azimuth",
                              "_DataSource",
                              "_Latitude",
                              "_Longitude",
                              "_ExternalVoltage",
                              "_BatteryVoltage",
                              "_InternalTtime",
                              "_Uptime",
                              "_InternalMemory",
                              "_ExternalMemory",
                              "_RealTimeClock",
                              "_ModemStatus",
                              "_ModemSIM",
                              "_ModemPIN",
                              "_ModemSIM2",
                              "_ModemPIN2",
                              "_NavigationStatus",
                              "_Server0",
                              "_Server1",
                              "_Server2",
                              "_Server3",
                              "_Server4",
                              "_ModuleReadings",
                              "_Bluetooth",
                              "_ModemSignal",
                              "_ModemOperator",
                              "_StrorageSendServer1",
                              "_CanMileage",
                              "_CanEngineRPM",
                              "_Temperature",
                              "2 _InOut",
                              "_ModemNetworkState",
                              "_ModemInOutSMS",
                              "_ModemErrorSMS",
                              "_CanSecurity"};
  qint64 taken = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TLookupHost host;
    for (const QString& ident : idents)
      host.Values.insert(ident, QVariant());
    TExchangeCore core(host, TClock::System());
    core.SetVersion(vtVersion1);
    TStatusDecoderV1 decoder(core, host);
    decoder.Install();
    state.ResumeTiming();
    // Chunks of a serial port's size.
    for (qint64 pos = 0; pos < stream.size(); pos += 64)
      core.QReceiveData(nullptr, stream.constData() + pos, int(qMin<qint64>(64, stream.size() - pos)));
    benchmark::DoNotOptimize(core.RecognisedCount(1));
    taken += host.Taken;
    if (core.RecognisedCount(1) != records)
      state.SkipWithError("not every record was recognised");
  }
  state.counters["records/s"] =
      benchmark::Counter(double(state.iterations()) * records, benchmark::Counter::kIsRate);
  state.counters["values/record"] = double(taken) / (double(state.iterations()) * records);
}
BENCHMARK(DecodeRecords)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
