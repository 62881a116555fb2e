#pragma once

#include <QString>

// The order of a print run, one job at a time: a single sticker in its copies, or every item of a
// list in its copies. The dialog drives it from a timer, waiting NextDelay() before each job, so
// the window stays responsive and nothing runs inside a button's handler.
class TStickerPrintRun {
public:
  static constexpr int kCopyDelayMs = 200;
  static constexpr int kItemDelayMs = 500;

  // aItems 0: a single sticker (no list item); otherwise the number of list items.
  void Start(int aItems, int aCopies);
  void Stop() { FActive = false; }
  bool Active() const { return FActive; }
  bool ForList() const { return FItems > 0; }

  // The list item (-1 for a single sticker) and copy (from 0) of the job to print now.
  int Item() const { return FItems > 0 ? FItem : -1; }
  int Copy() const { return FCopy; }
  int Items() const { return FItems; }
  int Copies() const { return FCopies; }
  // Jobs that finished with success.
  int Printed() const { return FPrinted; }
  void ResetPrinted() { FPrinted = 0; }
  // Wait before the current job: none for the first, 200 ms between copies, 500 ms between items.
  int NextDelay() const { return FFirst ? 0 : (FCopy == 0 ? kItemDelayMs : kCopyDelayMs); }

  // The current job succeeded: counts it and moves on; false when the run is over.
  bool JobDone();

private:
  bool FActive = false;
  bool FFirst = true;
  int FItems = 0;
  int FCopies = 1;
  int FItem = 0;
  int FCopy = 0;
  int FPrinted = 0;
};
