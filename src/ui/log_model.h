#pragma once

// The rows of the data log page and the list that shows them.

#include <QAbstractItemView>
#include <QAbstractListModel>
#include <QByteArrayView>
#include <QColor>
#include <QFont>
#include <array>

class QPainter;
class TExchangeCore;
struct TPacket;

// One row per entry of the index in view. The model keeps nothing but the number of rows the
// list shows; each row is rendered from the traffic log when it is asked for, so the rows cost
// the same whether the log holds a thousand entries or a million.
//
// The row count is the list's, not the index's: while following is paused the index goes on
// growing (or a framer takes its last entry back) and the list keeps its rows. A row whose entry
// is gone renders empty, and an entry is only ever read within the log.
class TLogModel : public QAbstractListModel {
  Q_OBJECT
public:
  enum TRole : int {
    StampRole = Qt::UserRole + 1, // "PC > DEVICE", or the time as "hh:mm:ss.zzz"
    MarkerRole,                   // "►" on the selected row, else empty
    StateRole,                    // the entry's state code
    BytesRole,                    // every byte of the entry that lies in the log
  };

  // A row shows at most this many characters of its data; a packet that never closes can grow
  // without limit, and no screen is that wide.
  static constexpr int kRowTextLimit = 1024;

  explicit TLogModel(TExchangeCore& aCore, QObject* aParent = nullptr);

  int rowCount(const QModelIndex& aParent = QModelIndex()) const override;
  QVariant data(const QModelIndex& aIndex, int aRole = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& aIndex) const override;

  // Adds or removes rows at the end.
  void SetRowCount(int aRows);
  bool HEX() const { return FHEX; }
  void SetHEX(bool aHEX);
  // The row drawn with the marker in the window's text colour; -1 for none.
  int SelectedRow() const { return FSelectedRow; }
  void SetSelectedRow(int aRow);
  void SetTextColor(const QColor& aColor);

  // The entry behind a row, or nullptr when the index in view no longer has it.
  const TPacket* Entry(int aRow) const;
  // The part of an entry that lies in the log: empty for an entry that lies wholly outside it.
  QByteArrayView EntryBytes(const TPacket& aEntry) const;
  QString RowText(int aRow) const;
  QColor RowColor(int aRow) const;

  static QColor StateColor(quint8 aState);
  // Two upper-case digits and a space per byte.
  static QString HexText(QByteArrayView aBytes, int aLimit = kRowTextLimit);
  // One character per byte in the devices' code page. Control codes become their symbols
  // (U+2400…, drawn by the list as small name tags), so that a line end shows and cannot break
  // or blank the row; the byte the code page has no letter for becomes U+FFFD.
  static QString DisplayText(QByteArrayView aBytes, int aLimit = kRowTextLimit);

private:
  bool BeforeDetection(const TPacket& aEntry) const;
  void RowsChanged(int aFirst, int aLast);

  TExchangeCore& FCore;
  int FRows = 0;
  bool FHEX = false;
  int FSelectedRow = -1;
  QColor FTextColor{Qt::white};
};

// The list of the data log page: rows of one height, drawn here from the model's roles, one
// column, no headers. It keeps no state per row: adding rows, scrolling to the end and painting
// cost the same however many rows there are. (The stock list and table views lay out or measure
// every row each time rows are added.) It scrolls by whole rows.
class TLogListView : public QAbstractItemView {
  Q_OBJECT
public:
  // Where the stamp and the data text start, from the row's left edge; the data moves right when
  // the font's stamp is wider than the room before it.
  static constexpr int kStampX = 10;
  static constexpr int kDataX = 120;
  static constexpr int kRightMargin = 10;

  explicit TLogListView(QWidget* aParent = nullptr);

  void setModel(QAbstractItemModel* aModel) override;
  QRect visualRect(const QModelIndex& aIndex) const override;
  void scrollTo(const QModelIndex& aIndex, ScrollHint aHint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& aPoint) const override;
  // Typing on the list would search every row.
  void keyboardSearch(const QString&) override {}

  int RowHeight() const;
  int TopRow() const;
  // Rows that fit whole into the viewport, at least one.
  int PageRows() const;
  int DataX() const;
  void SetSelectionBackground(const QColor& aColor);

protected:
  QModelIndex moveCursor(CursorAction aAction, Qt::KeyboardModifiers aModifiers) override;
  int horizontalOffset() const override { return 0; }
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex&) const override { return false; }
  void setSelection(const QRect& aRect, QItemSelectionModel::SelectionFlags aFlags) override;
  QRegion visualRegionForSelection(const QItemSelection& aSelection) const override;
  void paintEvent(QPaintEvent* aEvent) override;
  void updateGeometries() override;
  void scrollContentsBy(int aDx, int aDy) override;
  void rowsInserted(const QModelIndex& aParent, int aStart, int aEnd) override;
  void changeEvent(QEvent* aEvent) override;

private:
  int RowCount() const;
  void Relayout();
  void UpdateTagFont();
  // Draws a row's data from aX on, control symbols as name tags; stops at the row's right edge.
  void DrawData(QPainter& aPainter, int aX, const QRect& aRow, int aBaseline, const QString& aText,
                const QColor& aColor) const;

  QColor FSelectionBackground;
  QFont FTagFont;
  // Width of the tag of each control symbol, U+2400 to U+2421.
  std::array<int, 0x22> FTagWidths{};
};
