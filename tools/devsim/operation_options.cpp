#include "operation_options.h"

#include "tracker_sim.h"

#include <QCommandLineParser>
#include <QFile>

namespace {

struct TNumberOption {
  const char* Name;
  const char* Help;
  qint64 Min;
  qint64 Max;
};

const TNumberOption kNumbers[] = {
    {"memory-offset", "Generation 1: first block number of the external memory (default 256).", 1, 100000000},
    {"memory-blocks", "Generation 1: size of the external memory in blocks (default 4096).", 1, 1000000},
    {"memory-write", "Generation 1: blocks recorded, fixed (default: 1200, growing every 15 s).", 0, 1000000},
    {"file-offset", "Generation 1: first block number of the file storage (default 8192).", 1, 100000000},
    {"file-blocks", "Generation 1: size of the file storage in blocks (default 64, or the image's).", 1,
     1000000},
    {"upd-stall", "Generation 1: fall silent after N firmware requests (0: silent after >D 3;0).", 0,
     100000000},
    {"upd-chunk", "Generation 1: bytes asked for per firmware chunk (default 4096).", 1, 65531},
    {"self-test-delay", "Generation 1: milliseconds the self-test takes before its results (default 0).", 0,
     600000},
};

bool Number(const QCommandLineParser& aParser, const char* aName, qint64 aMin, qint64 aMax, qint64* aValue) {
  bool ok = false;
  *aValue = aParser.value(QString::fromLatin1(aName)).toLongLong(&ok);
  return ok && *aValue >= aMin && *aValue <= aMax;
}

} // namespace

void AddOperationOptions(QCommandLineParser& aParser) {
  for (const TNumberOption& option : kNumbers)
    aParser.addOption(
        {QString::fromLatin1(option.Name), QString::fromLatin1(option.Help), QStringLiteral("N")});
  aParser.addOption({QStringLiteral("file-image"),
                     QStringLiteral("Generation 1: the file storage's contents, read from PATH."),
                     QStringLiteral("PATH")});
  aParser.addOption({QStringLiteral("block-fault"),
                     QStringLiteral("Generation 1: block answers that go wrong once: crc:N (wrong CRC), "
                                    "number:N (wrong block number), drop:N (no answer); comma-separated."),
                     QStringLiteral("LIST")});
  aParser.addOption({QStringLiteral("fw-out"),
                     QStringLiteral("Generation 1: take part in the firmware exchange after >D 3;0 and write "
                                    "the checked image to PATH."),
                     QStringLiteral("PATH")});
  aParser.addOption(
      {QStringLiteral("self-test"),
       QStringLiteral("Generation 1: the self-test (>T 1, fct run) passes (ok), fails (fail) or "
                      "reports nothing (silent)."),
       QStringLiteral("RESULT"), QStringLiteral("ok")});
  aParser.addOption({QStringLiteral("loader-dir"),
                     QStringLiteral("Generation 1: on >D 3;0 the folder DIR appears as the loader disk."),
                     QStringLiteral("DIR")});
}

bool ReadOperationOptions(const QCommandLineParser& aParser, TTrackerOperationOptions* aOptions,
                          QString* aError) {
  int* targets[] = {&aOptions->Storage.MemoryOffset,
                    &aOptions->Storage.MemoryBlocks,
                    &aOptions->Storage.MemoryWrite,
                    &aOptions->Storage.FileOffset,
                    &aOptions->Storage.FileBlocks,
                    &aOptions->Upd.StallAfter,
                    &aOptions->Upd.Chunk,
                    &aOptions->SelfTestDelayMs};
  for (std::size_t i = 0; i < std::size(kNumbers); ++i) {
    const TNumberOption& option = kNumbers[i];
    if (!aParser.isSet(QString::fromLatin1(option.Name)))
      continue;
    qint64 value = 0;
    if (!Number(aParser, option.Name, option.Min, option.Max, &value)) {
      *aError = QStringLiteral("--%1 must be from %2 to %3")
                    .arg(QString::fromLatin1(option.Name))
                    .arg(option.Min)
                    .arg(option.Max);
      return false;
    }
    *targets[i] = int(value);
  }
  const QString image = aParser.value(QStringLiteral("file-image"));
  if (!image.isEmpty()) {
    QFile file(image);
    if (!file.open(QIODevice::ReadOnly)) {
      *aError = QStringLiteral("cannot read --file-image ") + image;
      return false;
    }
    aOptions->Storage.FileImage = file.readAll();
    if (!aParser.isSet(QStringLiteral("file-blocks")))
      aOptions->Storage.FileBlocks = int(qMax<qint64>(
          1, (aOptions->Storage.FileImage.size() + TStorageSim::kBlockSize - 1) / TStorageSim::kBlockSize));
  }
  if (!ParseBlockFaults(aParser.value(QStringLiteral("block-fault")), &aOptions->BlockFaults)) {
    *aError = QStringLiteral("--block-fault takes crc:N, number:N or drop:N, comma-separated");
    return false;
  }
  aOptions->Upd.FwOut = aParser.value(QStringLiteral("fw-out"));
  aOptions->LoaderDir = aParser.value(QStringLiteral("loader-dir"));
  const QString selfTest = aParser.value(QStringLiteral("self-test"));
  if (selfTest == QLatin1String("ok"))
    aOptions->SelfTest = stPass;
  else if (selfTest == QLatin1String("fail"))
    aOptions->SelfTest = stFail;
  else if (selfTest == QLatin1String("silent"))
    aOptions->SelfTest = stSilent;
  else {
    *aError = QStringLiteral("--self-test must be ok, fail or silent");
    return false;
  }
  return true;
}
