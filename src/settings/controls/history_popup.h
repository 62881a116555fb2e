#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QListWidget;
class TControlClass;

// The pop-up under an edit box that lists its input history, filtered by what is typed. One is
// open in the whole program at a time. It shows without taking the focus; Up and Down in the edit
// box move the focus into it. Clicking anywhere else in the program closes it.
class THistoryPopup : public QWidget {
  Q_OBJECT
public:
  static constexpr int kRowHeight = 20;
  static constexpr int kDeleteWidth = 22;
  static constexpr int kMinWidth = 180;
  static constexpr int kMaxRows = 8;

  explicit THistoryPopup(TControlClass* aOwner);
  ~THistoryPopup() override;

  // The pop-up open now, if any.
  static THistoryPopup* OpenPopup();
  TControlClass* Owner() const { return FOwner; }
  QListWidget* List() const { return FList; }
  QStringList Entries() const;

  // Lists the owner's history entries containing aFilter; hidden when none does.
  void ShowFiltered(const QString& aFilter);
  void CloseUp();
  // Takes the focus with the first (Down) or last (Up) row selected.
  void Enter(bool aFirst);
  // Chooses row aRow, or deletes it when aDelete.
  void ClickRow(int aRow, bool aDelete);

protected:
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;
  void resizeEvent(QResizeEvent* aEvent) override;

private:
  void Place(int aRows);

  TControlClass* FOwner;
  QListWidget* FList;
};
