#include "ui/log_model.h"

#include "core/exchange_core.h"
#include "core/log_file.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <array>
#include <climits>

namespace {

const QString kMarker = QStringLiteral("\u25BA");

// The character each byte is shown as.
const std::array<QChar, 256>& DisplayTable() {
  static const std::array<QChar, 256> table = [] {
    std::array<QChar, 256> t;
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
      all[i] = char(i);
    const QString chars = FromLogCodePage(all);
    for (int i = 0; i < 256; ++i) {
      t[size_t(i)] = chars.size() == 256 ? chars[i] : QChar(char16_t(i));
      // The one byte the code page leaves without a letter decodes to a C1 control.
      if (t[size_t(i)].category() == QChar::Other_Control)
        t[size_t(i)] = QChar(QChar::ReplacementCharacter);
    }
    for (int i = 0; i < 0x20; ++i)
      t[size_t(i)] = QChar(char16_t(0x2400 + i));
    t[0x7F] = QChar(char16_t(0x2421));
    return t;
  }();
  return table;
}

// Names of the control codes 00 to 1F, of the space and of DEL, in the order of their symbols.
constexpr const char* kControlNames[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",
                                         "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1",
                                         "DC2", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM",  "SUB",
                                         "ESC", "FS",  "GS",  "RS",  "US",  "SP",  "DEL"};
constexpr char16_t kFirstControlSymbol = 0x2400;
constexpr char16_t kLastControlSymbol = 0x2421;

int FloorDiv(int aValue, int aDivisor) {
  return aValue >= 0 ? aValue / aDivisor : -((-aValue + aDivisor - 1) / aDivisor);
}

} // namespace

// ---- TLogModel ----

TLogModel::TLogModel(TExchangeCore& aCore, QObject* aParent) : QAbstractListModel(aParent), FCore(aCore) {}

int TLogModel::rowCount(const QModelIndex& aParent) const {
  return aParent.isValid() ? 0 : FRows;
}

Qt::ItemFlags TLogModel::flags(const QModelIndex& aIndex) const {
  if (!aIndex.isValid())
    return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QVariant TLogModel::data(const QModelIndex& aIndex, int aRole) const {
  if (!checkIndex(aIndex, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return QVariant();
  const int row = aIndex.row();
  switch (aRole) {
  case Qt::DisplayRole:
    return RowText(row);
  case Qt::ForegroundRole:
    return RowColor(row);
  case MarkerRole:
    return row == FSelectedRow ? kMarker : QString();
  default:
    break;
  }
  const TPacket* entry = Entry(row);
  if (!entry)
    return QVariant();
  switch (aRole) {
  case StampRole:
    return QString::fromLatin1(LogStamp(*entry));
  case StateRole:
    return int(entry->State);
  case BytesRole:
    return EntryBytes(*entry).toByteArray();
  default:
    return QVariant();
  }
}

void TLogModel::SetRowCount(int aRows) {
  aRows = qMax(0, aRows);
  if (aRows > FRows) {
    beginInsertRows(QModelIndex(), FRows, aRows - 1);
    FRows = aRows;
    endInsertRows();
  } else if (aRows < FRows) {
    beginRemoveRows(QModelIndex(), aRows, FRows - 1);
    FRows = aRows;
    if (FSelectedRow >= aRows)
      FSelectedRow = -1;
    endRemoveRows();
  }
}

void TLogModel::SetHEX(bool aHEX) {
  if (FHEX == aHEX)
    return;
  FHEX = aHEX;
  RowsChanged(0, FRows - 1);
}

void TLogModel::SetSelectedRow(int aRow) {
  if (aRow < 0 || aRow >= FRows)
    aRow = -1;
  if (aRow == FSelectedRow)
    return;
  const int old = FSelectedRow;
  FSelectedRow = aRow;
  RowsChanged(old, old);
  RowsChanged(aRow, aRow);
}

void TLogModel::SetTextColor(const QColor& aColor) {
  FTextColor = aColor;
  RowsChanged(FSelectedRow, FSelectedRow);
}

void TLogModel::RowsChanged(int aFirst, int aLast) {
  aLast = qMin(aLast, FRows - 1);
  if (aFirst < 0 || aFirst > aLast)
    return;
  Q_EMIT dataChanged(index(aFirst), index(aLast));
}

const TPacket* TLogModel::Entry(int aRow) const {
  const TPacketArray& view = FCore.ViewIndex();
  if (aRow < 0 || size_t(aRow) >= view.size())
    return nullptr;
  return &view[size_t(aRow)];
}

QByteArrayView TLogModel::EntryBytes(const TPacket& aEntry) const {
  // A re-framed generation packet can briefly carry a negative size, and a row may be asked for
  // while its index is being rebuilt: read only what is really there.
  const TMemoryStreamEx& log = FCore.TrafficLog();
  const qint64 begin = qBound<qint64>(0, aEntry.Position, log.Size());
  const qint64 end =
      aEntry.Size > 0 ? qBound<qint64>(begin, aEntry.Position + aEntry.Size, log.Size()) : begin;
  return QByteArrayView(log.Memory() + begin, end - begin);
}

QString TLogModel::RowText(int aRow) const {
  const TPacket* entry = Entry(aRow);
  if (!entry)
    return QString();
  const QByteArrayView bytes = EntryBytes(*entry);
  return FHEX ? HexText(bytes) : DisplayText(bytes);
}

bool TLogModel::BeforeDetection(const TPacket& aEntry) const {
  const TPacketArray& chunks = FCore.PacketIndex();
  const qint64 start = qMax(0, FCore.DetectStart());
  // Until the first chunk of this detection has arrived, everything shown is older than it.
  if (start >= qint64(chunks.size()))
    return true;
  return aEntry.Position < chunks[size_t(start)].Position;
}

QColor TLogModel::RowColor(int aRow) const {
  if (aRow == FSelectedRow)
    return FTextColor;
  const TPacket* entry = Entry(aRow);
  if (!entry)
    return StateColor(psComplete);
  if (BeforeDetection(*entry))
    return QColor(0x80, 0x80, 0x80);
  return StateColor(entry->State);
}

QColor TLogModel::StateColor(quint8 aState) {
  switch (aState) {
  case psOpen:
    return QColor(0xFF, 0x00, 0x00);
  case psComplete:
    return QColor(0x80, 0x80, 0x80);
  case psRecognised:
    return QColor(0x00, 0x80, 0x00);
  case psSent:
    return QColor(0xB0, 0xB0, 0x00);
  default:
    return QColor(0xFF, 0xFF, 0xFF);
  }
}

QString TLogModel::HexText(QByteArrayView aBytes, int aLimit) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  const qsizetype count = qMin<qsizetype>(aBytes.size(), qMax(0, aLimit) / 3);
  QString out(count * 3, Qt::Uninitialized);
  QChar* o = out.data();
  for (qsizetype i = 0; i < count; ++i) {
    const auto b = quint8(aBytes[i]);
    *o++ = QChar(kDigits[b >> 4]);
    *o++ = QChar(kDigits[b & 0x0F]);
    *o++ = QChar(u' ');
  }
  return out;
}

QString TLogModel::DisplayText(QByteArrayView aBytes, int aLimit) {
  const std::array<QChar, 256>& table = DisplayTable();
  const qsizetype count = qMin<qsizetype>(aBytes.size(), qMax(0, aLimit));
  QString out(count, Qt::Uninitialized);
  QChar* o = out.data();
  for (qsizetype i = 0; i < count; ++i)
    *o++ = table[quint8(aBytes[i])];
  return out;
}

// ---- TLogListView ----

TLogListView::TLogListView(QWidget* aParent) : QAbstractItemView(aParent) {
  setSelectionMode(SingleSelection);
  setSelectionBehavior(SelectRows);
  setEditTriggers(NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollMode(ScrollPerItem);
  setTabKeyNavigation(false);
  UpdateTagFont();
}

void TLogListView::setModel(QAbstractItemModel* aModel) {
  if (model())
    disconnect(model(), nullptr, this, nullptr);
  QAbstractItemView::setModel(aModel);
  if (!aModel)
    return;
  // The base class learns of inserted rows through rowsInserted; the rest reach us here.
  connect(aModel, &QAbstractItemModel::rowsRemoved, this, &TLogListView::Relayout);
  connect(aModel, &QAbstractItemModel::modelReset, this, &TLogListView::Relayout);
  connect(aModel, &QAbstractItemModel::layoutChanged, this, &TLogListView::Relayout);
  Relayout();
}

int TLogListView::RowCount() const {
  return model() ? model()->rowCount(rootIndex()) : 0;
}

int TLogListView::RowHeight() const {
  // One pixel above the text and one below.
  return fontMetrics().height() + 2;
}

int TLogListView::TopRow() const {
  return verticalScrollBar()->value();
}

int TLogListView::PageRows() const {
  return qMax(1, viewport()->height() / RowHeight());
}

int TLogListView::DataX() const {
  const int stamp = fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.000"));
  return qMax(kDataX, kStampX + stamp + fontMetrics().horizontalAdvance(u' '));
}

void TLogListView::SetSelectionBackground(const QColor& aColor) {
  FSelectionBackground = aColor;
  viewport()->update();
}

QRect TLogListView::visualRect(const QModelIndex& aIndex) const {
  if (!aIndex.isValid() || aIndex.parent() != rootIndex())
    return QRect();
  const int h = RowHeight();
  // Far-off rows are placed just outside the viewport, where no pixel coordinate overflows.
  const qint64 y =
      qBound<qint64>(-2 * qint64(h), (qint64(aIndex.row()) - TopRow()) * h, qint64(viewport()->height()) + h);
  return QRect(0, int(y), viewport()->width(), h);
}

void TLogListView::scrollTo(const QModelIndex& aIndex, ScrollHint aHint) {
  if (!aIndex.isValid())
    return;
  const int row = aIndex.row();
  const int top = TopRow();
  const int page = PageRows();
  int newTop = top;
  switch (aHint) {
  case PositionAtTop:
    newTop = row;
    break;
  case PositionAtBottom:
    newTop = row - page + 1;
    break;
  case PositionAtCenter:
    newTop = row - page / 2;
    break;
  case EnsureVisible:
    if (row < top)
      newTop = row;
    else if (row >= top + page)
      newTop = row - page + 1;
    break;
  }
  verticalScrollBar()->setValue(newTop);
}

QModelIndex TLogListView::indexAt(const QPoint& aPoint) const {
  if (aPoint.y() < 0 || aPoint.x() < 0 || aPoint.x() >= viewport()->width())
    return QModelIndex();
  const qint64 row = qint64(TopRow()) + aPoint.y() / RowHeight();
  if (row >= RowCount())
    return QModelIndex();
  return model()->index(int(row), 0, rootIndex());
}

QModelIndex TLogListView::moveCursor(CursorAction aAction, Qt::KeyboardModifiers) {
  const int rows = RowCount();
  if (rows == 0)
    return QModelIndex();
  const QModelIndex current = currentIndex();
  qint64 row = current.isValid() ? current.row() : TopRow();
  switch (aAction) {
  case MoveUp:
  case MovePrevious:
    --row;
    break;
  case MoveDown:
  case MoveNext:
    ++row;
    break;
  case MovePageUp:
    row -= PageRows();
    break;
  case MovePageDown:
    row += PageRows();
    break;
  case MoveHome:
    row = 0;
    break;
  case MoveEnd:
    row = rows - 1;
    break;
  default:
    break;
  }
  return model()->index(int(qBound(qint64(0), row, qint64(rows) - 1)), 0, rootIndex());
}

int TLogListView::verticalOffset() const {
  return int(qMin<qint64>(qint64(TopRow()) * RowHeight(), INT_MAX));
}

void TLogListView::setSelection(const QRect& aRect, QItemSelectionModel::SelectionFlags aFlags) {
  const int rows = RowCount();
  if (rows == 0 || !selectionModel())
    return;
  const QRect rect = aRect.normalized();
  const int h = RowHeight();
  const qint64 first = qint64(TopRow()) + FloorDiv(rect.top(), h);
  const qint64 last = qint64(TopRow()) + FloorDiv(rect.bottom(), h);
  if (last < 0 || first >= rows)
    return;
  const QModelIndex from = model()->index(int(qMax<qint64>(first, 0)), 0, rootIndex());
  const QModelIndex to = model()->index(int(qMin<qint64>(last, rows - 1)), 0, rootIndex());
  selectionModel()->select(QItemSelection(from, to), aFlags);
}

QRegion TLogListView::visualRegionForSelection(const QItemSelection& aSelection) const {
  QRegion region;
  const qint64 top = TopRow();
  const qint64 bottom = top + PageRows() + 1;
  for (const QItemSelectionRange& range : aSelection) {
    const qint64 first = qMax<qint64>(range.top(), top);
    const qint64 last = qMin<qint64>(range.bottom(), bottom);
    if (first <= last)
      region += QRect(0, int((first - top) * RowHeight()), viewport()->width(),
                      int((last - first + 1) * RowHeight()));
  }
  return region;
}

void TLogListView::paintEvent(QPaintEvent* aEvent) {
  QAbstractItemModel* m = model();
  if (!m)
    return;
  QPainter painter(viewport());
  painter.setFont(font());
  const QFontMetrics metrics = fontMetrics();
  const int h = RowHeight();
  const int width = viewport()->width();
  const int dataX = DataX();
  // Fixed pitch: a row needs no more characters than fit across the viewport.
  const int fits = qMax(0, (width - dataX) / qMax(1, metrics.horizontalAdvance(u'0'))) + 2;
  const int rows = RowCount();
  const QRect dirty = aEvent->rect();
  for (int row = TopRow(), y = 0; row < rows && y < viewport()->height(); ++row, y += h) {
    const QRect rowRect(0, y, width, h);
    if (!dirty.intersects(rowRect))
      continue;
    const QModelIndex index = m->index(row, 0, rootIndex());
    const QString marker = index.data(TLogModel::MarkerRole).toString();
    if (!marker.isEmpty() && FSelectionBackground.isValid())
      painter.fillRect(rowRect, FSelectionBackground);
    painter.setPen(index.data(Qt::ForegroundRole).value<QColor>());
    const int baseline = y + 1 + metrics.ascent();
    if (!marker.isEmpty())
      painter.drawText(0, baseline, marker);
    painter.drawText(kStampX, baseline, index.data(TLogModel::StampRole).toString());
    QString text = index.data(Qt::DisplayRole).toString();
    if (text.size() > fits)
      text.truncate(fits);
    DrawData(painter, dataX, rowRect, baseline, text, painter.pen().color());
  }
}

void TLogListView::DrawData(QPainter& aPainter, int aX, const QRect& aRow, int aBaseline,
                            const QString& aText, const QColor& aColor) const {
  const QFontMetrics metrics = fontMetrics();
  const int cell = qMax(1, metrics.horizontalAdvance(u'0'));
  // Text stops short of the scroll bar; what does not fit ends in an ellipsis, never in half a
  // character.
  const int right = aRow.right() - kRightMargin;
  int x = aX;
  bool full = false;
  qsizetype run = 0;
  const auto flush = [&](qsizetype aEnd) {
    if (aEnd <= run)
      return;
    QString part = aText.mid(run, aEnd - run);
    const qsizetype room = (right - x) / cell;
    if (part.size() > room) {
      part.truncate(qMax<qsizetype>(0, room - 1));
      part += QChar(0x2026);
      full = true;
    }
    aPainter.drawText(x, aBaseline, part);
    x += metrics.horizontalAdvance(part);
  };
  QColor tagBack = aColor;
  tagBack.setAlpha(56);
  for (qsizetype i = 0; i < aText.size() && !full; ++i) {
    const char16_t c = aText[i].unicode();
    if (c < kFirstControlSymbol || c > kLastControlSymbol)
      continue;
    flush(i);
    run = i + 1;
    const int tag = c - kFirstControlSymbol;
    const QRect box(x + 1, aRow.top() + 3, FTagWidths[size_t(tag)], aRow.height() - 6);
    if (full || box.right() > right - cell) {
      if (!full)
        aPainter.drawText(x, aBaseline, QString(QChar(0x2026)));
      return;
    }
    aPainter.setPen(Qt::NoPen);
    aPainter.setBrush(tagBack);
    aPainter.drawRoundedRect(box, 2, 2);
    aPainter.setPen(aColor);
    aPainter.setFont(FTagFont);
    aPainter.drawText(box, Qt::AlignCenter, QString::fromLatin1(kControlNames[tag]));
    aPainter.setFont(font());
    x = box.right() + 2;
  }
  if (!full)
    flush(aText.size());
}

void TLogListView::UpdateTagFont() {
  FTagFont = font();
  FTagFont.setPointSizeF(qMax(5.0, font().pointSizeF() * 0.62));
  FTagFont.setBold(true);
  const QFontMetrics metrics(FTagFont);
  for (size_t i = 0; i < FTagWidths.size(); ++i)
    FTagWidths[i] = metrics.horizontalAdvance(QString::fromLatin1(kControlNames[i])) + 5;
}

void TLogListView::updateGeometries() {
  const int page = PageRows();
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setPageStep(page);
  verticalScrollBar()->setRange(0, qMax(0, RowCount() - page));
  horizontalScrollBar()->setRange(0, 0);
  QAbstractItemView::updateGeometries();
}

void TLogListView::scrollContentsBy(int, int) {
  viewport()->update();
}

void TLogListView::rowsInserted(const QModelIndex& aParent, int aStart, int aEnd) {
  QAbstractItemView::rowsInserted(aParent, aStart, aEnd);
  // At once, not on the next layout pass: the caller usually scrolls to the new last row next.
  Relayout();
}

void TLogListView::changeEvent(QEvent* aEvent) {
  QAbstractItemView::changeEvent(aEvent);
  if (aEvent->type() == QEvent::FontChange) {
    UpdateTagFont();
    Relayout();
  }
}

void TLogListView::Relayout() {
  updateGeometries();
  viewport()->update();
}
