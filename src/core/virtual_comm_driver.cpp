#include "core/virtual_comm_driver.h"

#include "core/log_file.h"
#include "core/packet.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

constexpr qint64 kMsPerDay = 86400000;
// Stamps are times of day. A stamp this much earlier than the one before it means the recording
// went past midnight; a smaller step back (a clock set back an hour) is not taken for a new day.
constexpr qint64 kMidnightJumpMs = kMsPerDay / 2;
// Longer waits are re-armed from the next tick; a QTimer takes an int.
constexpr qint64 kLongestArmMs = kMsPerDay;
// Stamps are short; a long one is quoted only in part.
constexpr qsizetype kQuotedStampChars = 40;

// The value of characters [aFrom, aFrom + aCount) of a stamp, or -1 when they are missing or not
// all digits.
int StampPart(QByteArrayView aStamp, qsizetype aFrom, qsizetype aCount) {
  if (aFrom >= aStamp.size())
    return -1;
  int value = 0;
  for (const char c : aStamp.sliced(aFrom, qMin(aCount, aStamp.size() - aFrom))) {
    if (c < '0' || c > '9')
      return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Reads the lines of a log file, in the devices' code page, in one pass over the file's bytes
// (mapped, not read into memory first). Each entry's bytes (every line of the entry followed by
// CR LF) are copied once into the buffer the entries view; a UTF-8 file is converted line by line
// into that buffer, where the line is then read. Nothing is allocated per line.
class TLogReader {
public:
  explicit TLogReader(std::vector<TLogEntry>& aEntries) : FEntries(aEntries) {}

  // Reads aBytes (after any byte order mark) into aOut, which then holds what the entries view.
  // False when a stamp is out of range, FailedLine and FailedStamp then tell which, or when aUtf8
  // and the bytes are not valid UTF-8 (FailedLine stays 0).
  bool Read(QByteArrayView aBytes, bool aUtf8, QByteArray& aOut) {
    const char* p = aBytes.data();
    const char* const end = p + aBytes.size();
    // Our logs end their lines in CR LF, and a lone CR or LF in them is a byte the device sent. A
    // file without a single CR LF was written elsewhere (an editor, another system): its lines end
    // in LF, and its blank lines carry nothing.
    FLfLines = !HasCrLf(p, end);
    // Every line keeps its length or shrinks (UTF-8 to the code page) and ends in CR LF: an LF line
    // grows by its CR at most, and the last line by a whole line end.
    aOut.resize((FLfLines ? 2 * aBytes.size() : aBytes.size()) + 2);
    PacketStorage::AdviseHugePages(aOut.data(), std::size_t(aOut.size()), !FLfLines);
    FOut = FOutBegin = aOut.data();
    FEntries.reserve(std::size_t(aBytes.size() / 40) + 16);
    PacketStorage::AdviseHugePages(FEntries.data(), FEntries.capacity() * sizeof(TLogEntry), true);
    qsizetype lineNo = 0;
    while (p < end) {
      const char* eol = end;
      const char* next = end;
      for (const char* from = p; from < end;) {
        const auto* lf = static_cast<const char*>(std::memchr(from, '\n', size_t(end - from)));
        if (!lf)
          break;
        if (FLfLines) {
          eol = lf;
          next = lf + 1;
          break;
        }
        if (lf > p && lf[-1] == '\r') {
          eol = lf - 1;
          next = lf + 1;
          break;
        }
        from = lf + 1;
      }
      ++lineNo;
      QByteArrayView line(p, eol - p);
      if (aUtf8) {
        // Converted where its bytes go: reading it moves them at most to the left.
        const std::optional<qsizetype> size = Utf8ToLogCodePage(line, FOut);
        if (!size)
          return false;
        line = QByteArrayView(FOut, *size);
      }
      if (!ReadLine(line)) {
        // Text that is not UTF-8 further on is the failure to report, as it is for a file whose
        // whole text is converted first. (Checked in the room after the line, which is enough.)
        if (aUtf8 && !Utf8ToLogCodePage(QByteArrayView(eol, end - eol), FOut + line.size()))
          return false;
        FailedLine = lineNo;
        return false;
      }
      p = next;
    }
    aOut.truncate(FOut - FOutBegin);
    // Views are made only now: the buffer no longer moves.
    for (std::size_t i = 0; i < FEntries.size(); ++i) {
      const qsizetype to = i + 1 < FStarts.size() ? FStarts[i + 1] : aOut.size();
      FEntries[i].Data = QByteArrayView(aOut.constData() + FStarts[i], to - FStarts[i]);
    }
    return true;
  }

  qsizetype FailedLine = 0;
  QByteArrayView FailedStamp;
  qint64 BaseMs() const { return FBaseMs; }

private:
  static bool HasCrLf(const char* aFrom, const char* aEnd) {
    for (const char* from = aFrom; from < aEnd;) {
      const auto* lf = static_cast<const char*>(std::memchr(from, '\n', size_t(aEnd - from)));
      if (!lf)
        return false;
      if (lf > aFrom && lf[-1] == '\r')
        return true;
      from = lf + 1;
    }
    return false;
  }

  // aLine lies in the file's bytes or, converted, at the write position of the buffer.
  bool ReadLine(QByteArrayView aLine) {
    if (aLine.isEmpty()) {
      // A blank line inside an entry of our own log is part of what the device sent.
      if (!FEntries.empty() && !FLfLines)
        Extend(aLine);
      return true;
    }
    const auto* tab = static_cast<const char*>(std::memchr(aLine.data(), '\t', size_t(aLine.size())));
    if (tab && aLine.size() > 11) {
      const QByteArrayView stamp(aLine.data(), tab - aLine.data());
      qint64 offsetMs = 0;
      if (!ReadStamp(stamp, offsetMs)) {
        FailedStamp = stamp;
        return false;
      }
      StartEntry(offsetMs, QByteArrayView(tab + 1, aLine.end() - (tab + 1)));
    } else if (FEntries.empty()) {
      StartEntry(FLastOffsetMs, aLine);
    } else {
      Extend(aLine);
    }
    return true;
  }

  void StartEntry(qint64 aOffsetMs, QByteArrayView aData) {
    FEntries.push_back(TLogEntry{double(aOffsetMs) / 1000.0, QByteArrayView()});
    FStarts.push_back(FOut - FOutBegin);
    Extend(aData);
    FLastOffsetMs = aOffsetMs;
  }

  // The last entry takes in aData and a line end.
  void Extend(QByteArrayView aData) {
    // A converted line lies at the write position already, its data part at most further on.
    std::memmove(FOut, aData.data(), size_t(aData.size()));
    FOut += aData.size();
    *FOut++ = '\r';
    *FOut++ = '\n';
  }

  // Hours, minutes, seconds and milliseconds at characters 1-2, 4-5, 7-8 and 10-12; a part that is
  // not a number counts as 0, so the sent stamp carries no time and keeps the previous offset.
  bool ReadStamp(QByteArrayView aStamp, qint64& aOffsetMs) {
    const int h = StampPart(aStamp, 0, 2);
    const int m = StampPart(aStamp, 3, 2);
    const int s = StampPart(aStamp, 6, 2);
    const int ms = aStamp.size() >= 9 ? StampPart(aStamp, 9, 3) : -1;
    if (h > 23 || m > 59 || s > 59)
      return false;
    aOffsetMs = FLastOffsetMs;
    if (h < 0 && m < 0 && s < 0)
      return true;
    qint64 t = ((qMax(h, 0) * 60 + qMax(m, 0)) * 60 + qMax(s, 0)) * 1000 + qMax(ms, 0) + FDays * kMsPerDay;
    if (FHaveTime && t < FLastTimeMs - kMidnightJumpMs) {
      ++FDays;
      t += kMsPerDay;
    }
    if (!FHaveTime)
      FBaseMs = t;
    FHaveTime = true;
    FLastTimeMs = t;
    aOffsetMs = qMax(t - FBaseMs, FLastOffsetMs);
    return true;
  }

  std::vector<TLogEntry>& FEntries;
  // Where the next byte goes in the buffer, and where each entry starts in it.
  char* FOut = nullptr;
  char* FOutBegin = nullptr;
  std::vector<qsizetype> FStarts;
  bool FLfLines = false;
  bool FHaveTime = false;
  qint64 FBaseMs = 0;
  qint64 FLastTimeMs = 0;
  qint64 FLastOffsetMs = 0;
  // Midnights passed since the first stamp.
  qint64 FDays = 0;
};

QString LoadError(const QString& aFileName, const QString& aReason) {
  return QStringLiteral("Cannot load the log file \"%1\": %2")
      .arg(QDir::toNativeSeparators(aFileName), aReason);
}

} // namespace

TVirtualCommDriver::TVirtualCommDriver(const TClock& aClock, QObject* aParent)
    : TCommPortDriver(aParent), FClock(aClock), FTimer(this) {
  FTimer.setSingleShot(true);
  // A coarse timer may fire early by a twentieth of a long wait; the replay keeps the recorded pace.
  FTimer.setTimerType(Qt::PreciseTimer);
  connect(&FTimer, &QTimer::timeout, this, [this] {
    FTimerDue = -1;
    TimerTick();
  });
}

TVirtualCommDriver::~TVirtualCommDriver() {
  FPlaying = false;
  Disarm();
}

bool TVirtualCommDriver::LoadFromFile(const QString& Filename, QString* aError) {
  const auto fail = [&](const QString& aReason) {
    if (aError)
      *aError = LoadError(Filename, aReason);
    return false;
  };
  QFile file(Filename);
  if (!file.open(QIODevice::ReadOnly))
    return fail(file.errorString());
  // Mapped for the one pass that reads it; what the entries deliver is copied out of it. A file
  // that cannot be mapped (empty, or not a plain file) is read.
  QByteArray read;
  QByteArrayView bytes;
  const qint64 fileSize = file.size();
  if (uchar* mapped = fileSize > 0 ? file.map(0, fileSize) : nullptr) {
    bytes = QByteArrayView(reinterpret_cast<const char*>(mapped), fileSize);
  } else {
    read = file.readAll();
    if (file.error() != QFileDevice::NoError)
      return fail(file.errorString());
    bytes = read;
  }

  std::optional<QStringConverter::Encoding> encoding;
  qsizetype bomSize = 0;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    encoding = QStringConverter::Utf8;
    bomSize = 3;
  } else if (bytes.startsWith("\xFF\xFE")) {
    encoding = QStringConverter::Utf16LE;
    bomSize = 2;
  } else if (bytes.startsWith("\xFE\xFF")) {
    encoding = QStringConverter::Utf16BE;
    bomSize = 2;
  }
  bytes = bytes.sliced(bomSize);
  const bool utf8 = encoding == QStringConverter::Utf8;
  QByteArray converted;
  if (encoding && !utf8) {
    // Stateless: a sequence cut off at the end of the file counts as an error, not as pending.
    QStringDecoder decoder(*encoding,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    const QString text = decoder.decode(bytes);
    // The UTF-16 decoder stands a replacement character for a lone last byte without calling it
    // an error.
    if (decoder.hasError() || bytes.size() % 2 != 0)
      return fail(QStringLiteral("the text after its byte order mark is not valid UTF-16"));
    converted = ToLogCodePage(text);
    bytes = converted;
  }

  std::vector<TLogEntry> entries;
  QByteArray buffer;
  TLogReader reader(entries);
  if (!reader.Read(bytes, utf8, buffer)) {
    if (reader.FailedLine == 0)
      return fail(QStringLiteral("the text after its byte order mark is not valid UTF-8"));
    const QString stamp =
        FromLogCodePage(reader.FailedStamp.first(qMin(reader.FailedStamp.size(), kQuotedStampChars)));
    return fail(QStringLiteral("the time stamp \"%1\" on line %2 is out of range (hours 00-23, minutes and "
                               "seconds 00-59)")
                    .arg(stamp, QString::number(reader.FailedLine)));
  }
  file.close();

  Disconnect();
  FCurrentIdx = 0;
  FLastElapsed = 0;
  FLogEntries = std::move(entries);
  FLogBuffer = std::move(buffer);
  FFirstStampMs = reader.BaseMs();
  FEntryTime = 0;
  if (aError)
    aError->clear();
  return true;
}

bool TVirtualCommDriver::Connect() {
  if (FPlaying)
    return true;
  if (FLogEntries.empty())
    return false;
  FPlaying = true;
  FPaused = false;
  FCurrentIdx = 0;
  FStartTime = NowMs();
  ++FRun;
  Arm(1);
  return true;
}

void TVirtualCommDriver::Disconnect() {
  FPlaying = false;
  FPaused = false;
  ++FRun;
  Disarm();
}

bool TVirtualCommDriver::SendData(const char* /*DataPtr*/, int /*DataSize*/) {
  return true;
}

void TVirtualCommDriver::Play() {
  if (!FPlaying)
    Connect();
  else if (FPaused)
    Resume();
}

void TVirtualCommDriver::Pause() {
  if (FPlaying && !FPaused)
    Hold();
}

void TVirtualCommDriver::Stop() {
  Disconnect();
  FCurrentIdx = 0;
  Notify();
}

void TVirtualCommDriver::Step() {
  if (!FPlaying)
    Connect();
  if (FPlaying && !FPaused)
    Pause();
  if (FPlaying && FPaused)
    StepForward();
}

void TVirtualCommDriver::StepBack() {
  if (FPlaying && !FPaused)
    Pause();
  if (FPlaying && FPaused)
    StepBackward();
}

void TVirtualCommDriver::SetSpeedFactor(double aValue) {
  const double factor = std::isfinite(aValue) && aValue > 0 ? aValue : 0.1;
  if (FPlaying && !FPaused) {
    const double replayMs = ReplayMs();
    FSpeedFactor = factor;
    FStartTime = NowMs() - replayMs / factor;
    Arm(1);
  } else {
    // A paused replay keeps its place in FLastElapsed and resumes at the new speed.
    FSpeedFactor = factor;
  }
}

double TVirtualCommDriver::ReplayTime() const {
  if (!FPlaying)
    return 0;
  return ReplayMs() / 1000.0;
}

void TVirtualCommDriver::TimerTick() {
  Disarm();
  if (!FPlaying || FPaused)
    return;
  const double replayMs = ReplayMs();
  const quint64 run = FRun;
  while (FCurrentIdx < int(FLogEntries.size()) &&
         FLogEntries[std::size_t(FCurrentIdx)].TimeOffset * 1000.0 <= replayMs) {
    // Moved on before the call out, so that a step from inside the receive event does not deliver
    // the same entry again.
    ++FCurrentIdx;
    Deliver(FCurrentIdx - 1);
    Notify();
    // Paused, stopped, restarted or reloaded from a callback: that call has set the timer.
    if (run != FRun || !FPlaying || FPaused)
      return;
  }
  if (FCurrentIdx < int(FLogEntries.size())) {
    // From the time now, not from before the deliveries: their cost must not delay the next entry.
    const double waitMs =
        (FLogEntries[std::size_t(FCurrentIdx)].TimeOffset * 1000.0 - ReplayMs()) / FSpeedFactor;
    Arm(qint64(qBound(0.0, std::trunc(waitMs), double(kLongestArmMs))) + 1);
  } else if (FLoopEnabled) {
    FCurrentIdx = 0;
    FStartTime = NowMs();
    Arm(1);
  } else {
    Disconnect();
    Notify();
  }
}

double TVirtualCommDriver::ReplayMs() const {
  if (FPlaying && !FPaused)
    return (NowMs() - FStartTime) * FSpeedFactor;
  return FLastElapsed * 1000.0;
}

double TVirtualCommDriver::NowMs() const {
  return double(FClock.MonotonicMs());
}

void TVirtualCommDriver::Arm(qint64 aMs) {
  FTimerDue = FClock.MonotonicMs() + aMs;
  FTimer.start(int(aMs));
}

void TVirtualCommDriver::Disarm() {
  FTimer.stop();
  FTimerDue = -1;
}

void TVirtualCommDriver::Hold() {
  FLastElapsed = ReplayMs() / 1000.0;
  FPaused = true;
  ++FRun;
  Disarm();
  Notify();
}

void TVirtualCommDriver::Resume() {
  FPaused = false;
  FStartTime = NowMs() - FLastElapsed * 1000.0 / FSpeedFactor;
  ++FRun;
  Arm(1);
}

void TVirtualCommDriver::StepForward() {
  if (FCurrentIdx >= int(FLogEntries.size()))
    return;
  const int index = FCurrentIdx;
  ++FCurrentIdx;
  PlaceAt(index);
  Deliver(index);
  Notify();
}

void TVirtualCommDriver::StepBackward() {
  if (FCurrentIdx <= 0)
    return;
  --FCurrentIdx;
  PlaceAt(FCurrentIdx);
  Deliver(FCurrentIdx);
  Notify();
}

void TVirtualCommDriver::PlaceAt(int aIndex) {
  FLastElapsed = FLogEntries[std::size_t(aIndex)].TimeOffset;
  FStartTime = NowMs() - FLastElapsed * 1000.0 / FSpeedFactor;
}

void TVirtualCommDriver::Deliver(int aIndex) {
  const TLogEntry& entry = FLogEntries[std::size_t(aIndex)];
  FEntryTime = entry.TimeOffset;
  // A copy keeps the bytes alive should the receive event load another log.
  const QByteArray data = entry.Data.toByteArray();
  // In pieces no bigger than one read from a port: a long entry (a file without stamps is one)
  // then costs the same per byte as short ones.
  const qsizetype piece = qMax<qsizetype>(PortInBufSize(), 1);
  for (qsizetype pos = 0; pos < data.size(); pos += piece)
    DeliverReceived(data.constData() + pos, int(qMin(piece, data.size() - pos)));
}

void TVirtualCommDriver::Notify() {
  if (!FOnStep)
    return;
  // A copy: the event may replace itself.
  const TNotifyEvent event = FOnStep;
  event(this);
}
