#pragma once

#include "protocols/packet_describer.h"
#include "style/theme.h"

#include <QColor>
#include <QRect>
#include <QWidget>
#include <functional>

class QButtonGroup;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class QToolButton;
class TCommandTable;
class TDictionary;
class TExchangeCore;
class TIcons;
class TLogListView;
class TLogModel;
class TPacketInspector;
struct TPacketInput;
class TPortInfo;
class TRegistry;

// The data log page: the exchange with the device row by row, following new traffic unless
// paused, as text or hexadecimal; the byte counters; clearing and saving the log; a box to type a
// line into and send it to the selected port.
//
// The window owns the page and forwards the exchange core's hooks to it (LogChange on the posted
// refresh, LogViewClear, LogViewSetHex, LogViewSetRowCount and SetFollow while the generation
// changes), and calls UpdateDataLabel from its 25 ms data timer.
class TLogPage : public QWidget {
  Q_OBJECT
public:
  using TCurrentPort = std::function<TPortInfo*()>;
  // Kinds: 0 error, 1 success, 2 notice, 3 information.
  using THint = std::function<void(int aKind, const QString& aText)>;
  // Asks where to save the log, proposing aProposedName; an empty answer means cancelled.
  using TSaveDialog = std::function<QString(QWidget* aParent, const QString& aProposedName)>;

  static constexpr int kSendPanelMin = 60;
  static constexpr int kSendPanelMax = 300;
  static constexpr int kSendPanelDefault = 60;
  static constexpr int kInspectorMin = 220;
  static constexpr int kInspectorMax = 900;
  static constexpr int kInspectorDefault = 380;
  // The command table that sent lines are matched against; may answer nullptr.
  using TCommandSource = std::function<const TCommandTable*()>;

  // What the activity bar on the window's lower border shows.
  struct TActivityBar {
    QRect Geometry;
    QColor Color; // invalid while the bar is out of sight
  };

  TLogPage(TExchangeCore& aCore, const TDictionary& aDictionary, const TIcons& aIcons, TRegistry& aRegistry,
           TCurrentPort aCurrentPort, THint aHint, QWidget* aParent = nullptr);
  ~TLogPage() override;

  // The refresh after traffic: rows (while following) and counters.
  void LogChange();
  // Hooks of the generation switch.
  void LogViewClear();
  void LogViewSetHex(bool aHex) { SetHEX(aHex); }
  void LogViewSetRowCount(int aRows);

  bool Follow() const { return FFollow; }
  // On: the list catches up with the index and selects its last row. Off: the list keeps its rows.
  void SetFollow(bool aValue);
  bool HEX() const { return FHEX; }
  void SetHEX(bool aHEX);
  bool ShowEnter() const { return FShowEnter; }
  void SetShowEnter(bool aValue);
  // Which modem command the MODEM button sends next: false ">D 9;1", true ">D 9;0". The port
  // column sets it back to false whenever it repaints a port button.
  bool ModemToggle() const { return FModemToggle; }
  void SetModemToggle(bool aValue) { FModemToggle = aValue; }

  // The buttons' actions.
  void Clear();
  void Save();
  void Send();
  void ModemClick();
  // What a double click on a row does: its bytes into the send box.
  void CopyRowToSendMemo(int aRow);

  TActivityBar ActivityBar() const;
  // Moves and colours the window's activity bar (a child of its lower border).
  void UpdateDataLabel(QWidget* aDataLabel);

  void Retranslate();
  // Call after the icons have their new colours.
  void SetTheme(const TThemeColors& aTheme);

  int SendPanelHeight() const { return FSendPanelHeight; }
  // Clamped to 60…300 px, applied and stored.
  void SetSendPanelHeight(int aHeight);
  void SetSaveDialog(TSaveDialog aDialog) { FSaveDialog = std::move(aDialog); }

  // The packet inspector beside the list: shown or not, and its width (clamped to 220…900 px);
  // both are stored.
  bool InspectorVisible() const { return FInspectorVisible; }
  void SetInspectorVisible(bool aVisible);
  int InspectorWidth() const { return FInspectorWidth; }
  void SetInspectorWidth(int aWidth);
  void SetCommandSource(TCommandSource aSource) { FCommandSource = std::move(aSource); }
  // Where the inspector learns the captions the monitor shows for the values it lists.
  void SetMonitorCaption(TPacketDescriber::TMonitorCaption aCaption) {
    FMonitorCaption = std::move(aCaption);
  }
  // Describes row aRow in the inspector (nothing for a row whose entry is gone).
  void InspectRow(int aRow);
  // The copy of row aRow's packet the inspector describes.
  TPacketInput PacketInput(int aRow) const;
  TPacketInspector& Inspector() { return *FInspector; }

  TLogModel& Model() { return *FModel; }
  TLogListView& List() { return *FList; }

protected:
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

private:
  QToolButton* NewButton(const char* aName, bool aCheckable);
  // Clear and Save with their words while the tool row has room for them, else their icons alone
  // (the words in the tooltip); aMeasure after the words changed.
  void FitToolRow(bool aMeasure);
  void BuildSendPanel(QWidget* aPanel);
  void SyncRowsToEnd();
  void ShowCounters(qint64 aIn, qint64 aOut);
  void ApplySendPanelHeight();
  void OnSplitterMoved();
  void ApplyInspectorWidth();
  void OnInspectorSplitterMoved();
  void LoadIcons();
  TPortInfo* Port() const { return FCurrentPort ? FCurrentPort() : nullptr; }

  TExchangeCore& FCore;
  const TDictionary& FDictionary;
  const TIcons& FIcons;
  TRegistry& FRegistry;
  TCurrentPort FCurrentPort;
  THint FHint;
  TSaveDialog FSaveDialog;
  TThemeColors FTheme = DarkTheme();

  TLogModel* FModel = nullptr;
  TLogListView* FList = nullptr;
  QToolButton* FPlay = nullptr;
  QToolButton* FPause = nullptr;
  QToolButton* FShowHEX = nullptr;
  QToolButton* FShowTEXT = nullptr;
  QToolButton* FShowEnterButton = nullptr;
  QWidget* FToolRow = nullptr;
  // How much wider Clear and Save are with their words than without.
  int FWordsWidth = 0;
  QToolButton* FClear = nullptr;
  QToolButton* FSave = nullptr;
  QToolButton* FSend = nullptr;
  QLabel* FInByteCount = nullptr;
  QLabel* FOutByteCount = nullptr;
  QPlainTextEdit* FSendMemo = nullptr;
  QSplitter* FSplitter = nullptr;
  QWidget* FSendPanel = nullptr;
  QSplitter* FInspectorSplitter = nullptr;
  TPacketInspector* FInspector = nullptr;
  QToolButton* FInspectorButton = nullptr;
  TCommandSource FCommandSource;
  TPacketDescriber::TMonitorCaption FMonitorCaption;
  bool FInspectorVisible = false;
  int FInspectorWidth = kInspectorDefault;

  bool FFollow = true;
  bool FHEX = false;
  bool FShowEnter = false;
  bool FModemToggle = false;
  int FSendPanelHeight = kSendPanelDefault;
  // The totals the counters show; a language switch writes them again in the new language.
  qint64 FShownIn = 0;
  qint64 FShownOut = 0;
  QColor FDataLabelColor;
};
