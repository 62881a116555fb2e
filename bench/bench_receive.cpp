// Receive entry and framing cost: a long generation-1 stream in small chunks, and one line that
// stays open (no CR LF) for megabytes. The second must cost the same per byte at 1 MB and 10 MB.

#include "base/clock.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "protocols/quiet_host.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

namespace {

QByteArray StatusStream(qint64 aBytes) {
  QByteArray out;
  out.reserve(aBytes + 128);
  int n = 0;
  while (out.size() < aBytes) {
    out += ">SV=" + QByteArray::number(n % 1000) + ";12.5;" + QByteArray::number(n) + "\r\n";
    out += ">DS=" + QByteArray::number(n % 7) + "\r\n";
    ++n;
  }
  out.truncate(aBytes);
  return out;
}

void FeedStream(benchmark::State& state) {
  const int chunkMax = int(state.range(0));
  const QByteArray stream = StatusStream(4 << 20);
  for (auto _ : state) {
    TQuietHost host;
    TExchangeCore core(host, TClock::System());
    core.SetVersion(vtVersion1);
    core.SetDecoder(1, [&core](int i) { core.Gen1Index()[i].State = psRecognised; });
    // Chunk sizes cycle through 1..chunkMax, as a real transport's do.
    qint64 pos = 0;
    int size = 1;
    while (pos < stream.size()) {
      const int n = int(qMin<qint64>(size, stream.size() - pos));
      core.QReceiveData(nullptr, stream.constData() + pos, n);
      pos += n;
      size = size % chunkMax + 1;
    }
    benchmark::DoNotOptimize(core.Gen1Index().size());
  }
  state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(FeedStream)->Arg(1)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);

void OpenLine(benchmark::State& state) {
  const qint64 total = state.range(0);
  const QByteArray chunk(64, 'x');
  for (auto _ : state) {
    TQuietHost host;
    TExchangeCore core(host, TClock::System());
    core.SetVersion(vtVersion1);
    core.QReceiveData(nullptr, ">KEY=", 5);
    for (qint64 sent = 0; sent < total; sent += chunk.size())
      core.QReceiveData(nullptr, chunk.constData(), int(chunk.size()));
    benchmark::DoNotOptimize(core.Gen1Index().back().Size);
  }
  state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(OpenLine)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void DetectStream(benchmark::State& state) {
  const QByteArray stream = StatusStream(1 << 20);
  for (auto _ : state) {
    TQuietHost host;
    TExchangeCore core(host, TClock::System());
    // Nothing recognises: detection runs all three framers on every chunk for the whole stream.
    for (qint64 pos = 0; pos < stream.size(); pos += 64)
      core.QReceiveData(nullptr, stream.constData() + pos, int(qMin<qint64>(64, stream.size() - pos)));
    benchmark::DoNotOptimize(core.PacketIndex().size());
  }
  state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(DetectStream)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
