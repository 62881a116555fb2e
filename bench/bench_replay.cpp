// Loading a log file for replay: a 50 MB log of status lines, continuation lines and sent lines,
// in the devices' code page and with a UTF-8 byte order mark. Loading must stay well under a second.

#include "core/virtual_comm_driver.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr qint64 kLogBytes = 50 << 20;

QByteArray Stamp(qint64 aMs) {
  return QByteArray::number(aMs / 3600000 % 24).rightJustified(2, '0') + ':' +
         QByteArray::number(aMs / 60000 % 60).rightJustified(2, '0') + ':' +
         QByteArray::number(aMs / 1000 % 60).rightJustified(2, '0') + '.' +
         QByteArray::number(aMs % 1000).rightJustified(3, '0');
}

QByteArray GeneratedLog(bool aUtf8Mark) {
  QByteArray out;
  out.reserve(kLogBytes + 256);
  if (aUtf8Mark)
    out += "\xEF\xBB\xBF";
  qint64 ms = 10 * 3600000;
  for (int n = 0; out.size() < kLogBytes; ++n) {
    out += Stamp(ms) + "\t>SV=" + QByteArray::number(n % 1000) + ";12.5;55.75;37.61;" +
           QByteArray::number(n) + "\r\n";
    if (n % 5 == 0)
      out += aUtf8Mark ? QByteArray("Напряжение 12.5\r\n")
                       : QByteArray("\xCD\xE0\xEF\xF0\xFF\xE6\xE5\xED\xE8\xE5 12.5\r\n");
    if (n % 20 == 0)
      out += "PC > DEVICE\t>GET SV\r\n";
    ms += 37;
  }
  return out;
}

void LoadLog(benchmark::State& state) {
  const bool utf8 = state.range(0) != 0;
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("bench.log"));
  const QByteArray content = GeneratedLog(utf8);
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
      state.SkipWithError("cannot write the log file");
      return;
    }
  }
  std::size_t entries = 0;
  for (auto _ : state) {
    TVirtualCommDriver driver;
    QString error;
    if (!driver.LoadFromFile(path, &error)) {
      state.SkipWithError(qPrintable(error));
      return;
    }
    entries = driver.LogEntries().size();
    benchmark::DoNotOptimize(entries);
  }
  state.SetBytesProcessed(state.iterations() * content.size());
  state.counters["entries"] = double(entries);
  state.counters["MB"] = double(content.size()) / (1 << 20);
}
BENCHMARK(LoadLog)->ArgName("utf8_mark")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
