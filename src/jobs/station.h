#pragma once

#include "jobs/job_sequence.h"
#include "platform/serial_enumerator.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class TClock;
class TRegistry;

// A preparation station: one plan applied to every present device port, now and to each device
// plugged in while the station runs, all at once, each on its own port. A failing device never
// stops the others; a device unplugged mid-run is marked and runs again when it comes back.
class TStation : public QObject {
  Q_OBJECT
public:
  enum TState {
    ssIdle,   // present, nothing asked yet
    ssWindow, // the window's own port: left to it
    ssRunning,
    ssDone,
    ssFailed,
    ssUnplugged, // gone mid-run
    ssGone,      // gone after its run (or before one)
  };

  struct TRow {
    TSerialPortEntry Entry;
    QString Port;
    bool Present = false;
    TState State = ssIdle;
    QJsonObject Identity;
    // The step the run is in (-1: identifying) and its progress (-1: none told).
    int Step = -1;
    int Percent = -1;
    QString Result;
    // Unplugged while its run was still ending: it runs again once back.
    bool LostMidRun = false;
    std::unique_ptr<TJobSequence> Run;
  };

  // One finished run, for the report.
  struct TRecord {
    QDateTime Time;
    QString Port;
    QString Type;
    QString Id;
    QString Imei;
    QString Steps;
    bool Ok = false;
    QString Error;
  };

  TStation(ISerialEnumerator& aEnumerator, TRegistry& aRegistry, const TClock& aClock,
           IStickerHost* aStickers, QObject* aParent = nullptr);
  ~TStation() override;

  // The port the window drives (empty: none); the station never takes it.
  void SetWindowPort(std::function<QString()> aWindowPort) { FWindowPort = std::move(aWindowPort); }
  // Whether the station drives, or is about to drive, the port of that name.
  bool Claims(const QString& aPortName) const;

  void Start(const TJobPlan& aPlan);
  // Ends every run in hand (as interrupted) and takes no more devices.
  void Stop();
  bool Running() const { return FRunning; }
  const TJobPlan& Plan() const { return FPlan; }
  // Runs the plan again on a present row that is not running.
  void Restart(int aRow);

  int RowCount() const { return int(FRows.size()); }
  const TRow& Row(int aRow) const { return *FRows[size_t(aRow)]; }
  int Count(TState aState) const;
  const QList<TRecord>& Records() const { return FRecords; }
  // The report: a header, then one line per finished run (time, port, type, ID, IMEI, steps,
  // outcome, error).
  QByteArray ReportCsv(int aLanguage) const;
  bool SaveReport(const QString& aFileName, int aLanguage, QString* aError) const;
  // The dictionary text of a state.
  static const char* StateKey(TState aState);

  // Takes in the present ports (also on every device notice).
  void Refresh();

Q_SIGNALS:
  // Rows were added (or the set changed); RowChanged for one row's news.
  void RowsChanged();
  void RowChanged(int aRow);
  void RunningChanged(bool aRunning);
  // The set of claimed ports changed: whoever else listens to ports lets go of them first.
  void ClaimsChanged();

private:
  void StartRow(int aRow);
  void RunFinished(int aRow);
  int IndexOf(const QString& aPort) const;
  bool IsWindowPort(const QString& aPort) const;

  ISerialEnumerator& FEnumerator;
  TRegistry& FRegistry;
  const TClock& FClock;
  IStickerHost* FStickers;
  std::function<QString()> FWindowPort;
  std::vector<std::unique_ptr<TRow>> FRows;
  QList<TRecord> FRecords;
  TJobPlan FPlan;
  bool FRunning = false;
};
