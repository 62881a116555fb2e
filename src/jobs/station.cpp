#include "jobs/station.h"

#include "base/clock.h"
#include "base/csv.h"
#include "core/port_list.h"
#include "i18n/dictionary.h"
#include "platform/save_file.h"

namespace {

QString Field(const QJsonObject& aIdentity, const char* aKey) {
  return aIdentity.value(QLatin1String(aKey)).toString();
}

} // namespace

TStation::TStation(ISerialEnumerator& aEnumerator, TRegistry& aRegistry, const TClock& aClock,
                   IStickerHost* aStickers, QObject* aParent)
    : QObject(aParent), FEnumerator(aEnumerator), FRegistry(aRegistry), FClock(aClock), FStickers(aStickers) {
  connect(&FEnumerator, &ISerialEnumerator::DevicesChanged, this, &TStation::Refresh);
}

TStation::~TStation() {
  // Runs go before the rows' bookkeeping they report to.
  for (auto& row : FRows)
    row->Run.reset();
}

const char* TStation::StateKey(TState aState) {
  switch (aState) {
  case ssIdle:
    return "station_idle";
  case ssWindow:
    return "station_window";
  case ssRunning:
    return "station_running";
  case ssDone:
    return "station_done";
  case ssFailed:
    return "station_failed";
  case ssUnplugged:
    return "station_unplugged";
  case ssGone:
    return "station_gone";
  }
  return "";
}

bool TStation::IsWindowPort(const QString& aPort) const {
  return FWindowPort && !aPort.isEmpty() && FWindowPort().compare(aPort, Qt::CaseInsensitive) == 0;
}

int TStation::IndexOf(const QString& aPort) const {
  for (size_t i = 0; i < FRows.size(); ++i)
    if (FRows[i]->Port.compare(aPort, Qt::CaseInsensitive) == 0)
      return int(i);
  return -1;
}

bool TStation::Claims(const QString& aPortName) const {
  const int index = IndexOf(aPortName);
  // A run being stopped still holds its port until it has given it back.
  if (index >= 0 && FRows[size_t(index)]->Run)
    return true;
  return FRunning && !IsWindowPort(aPortName);
}

int TStation::Count(TState aState) const {
  int n = 0;
  for (const auto& row : FRows)
    n += row->State == aState ? 1 : 0;
  return n;
}

void TStation::Refresh() {
  QSet<QString> present;
  bool added = false;
  for (const TSerialPortEntry& entry : DevicePorts(FEnumerator)) {
    const QString name = PortNameOf(entry);
    present.insert(name.toLower());
    int index = IndexOf(name);
    if (index < 0) {
      auto row = std::make_unique<TRow>();
      row->Port = name;
      FRows.push_back(std::move(row));
      index = int(FRows.size()) - 1;
      added = true;
    }
    TRow& row = *FRows[size_t(index)];
    const bool back = !row.Present;
    row.Entry = entry;
    row.Present = true;
    if (back && !row.Run && (row.State == ssUnplugged || row.State == ssGone)) {
      // Another device (or the same one again): nothing of the last one's run applies to it.
      row.State = ssIdle;
      row.Identity = QJsonObject();
      row.Result.clear();
      row.Step = -1;
      row.Percent = -1;
    }
  }
  for (size_t i = 0; i < FRows.size(); ++i) {
    TRow& row = *FRows[i];
    if (present.contains(row.Port.toLower()) || !row.Present)
      continue;
    row.Present = false;
    if (row.Run && !row.Run->Done()) {
      // Its own session notices too; stopping now frees the run at once.
      row.State = ssUnplugged;
      row.LostMidRun = true;
      row.Run->Stop();
    } else if (row.State != ssFailed && row.State != ssDone && row.State != ssUnplugged) {
      row.State = ssGone;
    }
    Q_EMIT RowChanged(int(i));
  }
  for (size_t i = 0; i < FRows.size(); ++i) {
    TRow& row = *FRows[i];
    if (!row.Present || row.Run)
      continue;
    const bool window = IsWindowPort(row.Port);
    if (window && row.State == ssIdle) {
      row.State = ssWindow;
      Q_EMIT RowChanged(int(i));
    } else if (!window && row.State == ssWindow) {
      row.State = ssIdle;
      Q_EMIT RowChanged(int(i));
    }
    if (FRunning && row.State == ssIdle)
      StartRow(int(i));
  }
  if (added)
    Q_EMIT RowsChanged();
}

void TStation::Start(const TJobPlan& aPlan) {
  if (FRunning)
    return;
  FPlan = aPlan;
  FRunning = true;
  // Every result of an earlier run stays in the report; the rows start over.
  for (auto& row : FRows)
    if (!row->Run && row->Present && (row->State == ssDone || row->State == ssFailed)) {
      row->State = ssIdle;
      row->Result.clear();
    }
  Q_EMIT RunningChanged(true);
  // The window lets go of what it listens to before any run opens a port.
  Q_EMIT ClaimsChanged();
  Refresh();
  Q_EMIT RowsChanged();
}

void TStation::Stop() {
  if (!FRunning)
    return;
  FRunning = false;
  for (auto& row : FRows)
    if (row->Run && !row->Run->Done())
      row->Run->Stop();
  Q_EMIT RunningChanged(false);
  Q_EMIT ClaimsChanged();
}

void TStation::Restart(int aRow) {
  if (aRow < 0 || aRow >= RowCount() || !FRunning)
    return;
  TRow& row = *FRows[size_t(aRow)];
  if (!row.Present || row.Run || IsWindowPort(row.Port))
    return;
  StartRow(aRow);
}

void TStation::StartRow(int aRow) {
  TRow& row = *FRows[size_t(aRow)];
  row.State = ssRunning;
  row.LostMidRun = false;
  row.Result.clear();
  row.Step = -1;
  row.Percent = -1;
  row.Identity = QJsonObject();
  row.Run = std::make_unique<TJobSequence>(row.Entry, FPlan, FRegistry, FStickers);
  TJobSequence* run = row.Run.get();
  connect(run, &TJobSequence::Changed, this, [this, aRow, run] {
    TRow& r = *FRows[size_t(aRow)];
    if (r.Run.get() != run)
      return;
    r.Identity = run->Identity();
    r.Step = run->StepIndex();
    r.Percent = run->Percent();
    Q_EMIT RowChanged(aRow);
  });
  connect(run, &TJobSequence::Finished, this, [this, aRow, run] {
    if (FRows[size_t(aRow)]->Run.get() == run)
      RunFinished(aRow);
  });
  Q_EMIT RowChanged(aRow);
  run->Start();
}

void TStation::RunFinished(int aRow) {
  TRow& row = *FRows[size_t(aRow)];
  TJobSequence* run = row.Run.get();
  row.Identity = run->Identity();
  row.Step = run->StepIndex();
  row.Percent = -1;
  if (run->Ok()) {
    row.State = ssDone;
    row.Result = run->Results().isEmpty() ? QString() : run->Results().constLast();
  } else {
    // The run may notice the device gone before the next device notice does.
    row.State = row.Present && !run->DeviceLost() ? ssFailed : ssUnplugged;
    row.Result = run->Error();
  }
  TDictionary dictionary;
  dictionary.SetLanguage(FPlan.Language);
  QStringList steps;
  const QList<TPlanStep>& plan = run->Plan().Steps;
  for (int i = 0; i < plan.size(); ++i) {
    QString step = dictionary.Translate(QString::fromLatin1(StepKindKey(plan.at(i).Kind)));
    if (i < run->Results().size())
      step += QStringLiteral(": ") + dictionary.Translate(QStringLiteral("station_stepok"));
    else if (i == run->Results().size() && !run->Ok())
      step += QStringLiteral(": ") + dictionary.Translate(QStringLiteral("station_stepfailed"));
    steps << step;
  }
  FRecords.append({FClock.Now(), row.Port, Field(row.Identity, "type"), Field(row.Identity, "id"),
                   Field(row.Identity, "imei"), steps.join(QStringLiteral("; ")), run->Ok(),
                   run->Ok() ? QString() : run->Error()});
  // Not inside its own signal.
  row.Run.release()->deleteLater();
  const bool again = row.LostMidRun && row.Present && FRunning;
  row.LostMidRun = false;
  Q_EMIT RowChanged(aRow);
  if (!FRunning)
    Q_EMIT ClaimsChanged();
  if (again)
    StartRow(aRow);
}

QByteArray TStation::ReportCsv(int aLanguage) const {
  TDictionary dictionary;
  dictionary.SetLanguage(aLanguage);
  QByteArray out;
  bool first = true;
  for (const char* key : {"station_coltime", "station_colport", "station_coltype", "station_colid",
                          "station_colimei", "station_colsteps", "station_coloutcome", "station_colerror"}) {
    if (!first)
      out += ',';
    first = false;
    out += CsvField(dictionary.Translate(QString::fromLatin1(key)));
  }
  out += "\r\n";
  const QString ok = dictionary.Translate(QStringLiteral("station_done"));
  const QString failed = dictionary.Translate(QStringLiteral("station_failed"));
  for (const TRecord& r : FRecords) {
    out += CsvField(r.Time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) + ',' + CsvField(r.Port, true) +
           ',' + CsvField(r.Type, true) + ',' + CsvField(r.Id, true) + ',' + CsvField(r.Imei, true) + ',' +
           CsvField(r.Steps) + ',' + CsvField(r.Ok ? ok : failed) + ',' + CsvField(r.Error, true) + "\r\n";
  }
  return out;
}

bool TStation::SaveReport(const QString& aFileName, int aLanguage, QString* aError) const {
  return SaveFileAtomically(aFileName, ReportCsv(aLanguage), aError);
}
