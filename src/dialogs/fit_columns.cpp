#include "dialogs/fit_columns.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <numeric>

namespace {

// The tooltip of a cell is its own text, but only where the cell cuts it.
class TCutTextTooltip : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;

  bool helpEvent(QHelpEvent* aEvent, QAbstractItemView* aView, const QStyleOptionViewItem& aOption,
                 const QModelIndex& aIndex) override {
    if (aEvent->type() != QEvent::ToolTip || !aIndex.isValid())
      return QStyledItemDelegate::helpEvent(aEvent, aView, aOption, aIndex);
    // The model's own tooltip, where it has one, says more than the text.
    if (aIndex.data(Qt::ToolTipRole).isValid())
      return QStyledItemDelegate::helpEvent(aEvent, aView, aOption, aIndex);
    const QString text = aIndex.data(Qt::DisplayRole).toString();
    if (!text.isEmpty() && sizeHint(aOption, aIndex).width() > aOption.rect.width()) {
      QToolTip::showText(aEvent->globalPos(), text, aView);
      return true;
    }
    QToolTip::hideText();
    aEvent->ignore();
    return true;
  }
};

// Lays the columns out again whenever the rows, the texts or the room change.
class TColumnFitter : public QObject {
public:
  TColumnFitter(QAbstractItemView* aView, QHeaderView* aHeader, int aStretch)
      : QObject(aView), FView(aView), FViewport(aView->viewport()), FHeader(aHeader), FStretch(aStretch) {
    FHeader->setSectionResizeMode(QHeaderView::Interactive);
    FHeader->setStretchLastSection(false);
    FViewport->installEventFilter(this);
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, &TColumnFitter::Fit);
    Watch();
    Fit();
  }

  void SetStretch(int aStretch) {
    FStretch = aStretch;
    Watch();
    Fit();
  }

  void Fit() {
    const int count = FHeader->count();
    if (count == 0)
      return;
    // Whole headers first; the cells' extra width where there is room for it. When there is not,
    // the widest columns give way first, so that short ones (type, RSSI) stay whole.
    QList<int> base(count);
    QList<int> extra(count);
    for (int c = 0; c < count; ++c) {
      base[c] = FHeader->sectionSizeHint(c);
      extra[c] = qMax(0, FView->sizeHintForColumn(c) - base[c]);
    }
    const int room = FView->viewport()->width();
    const int baseSum = std::accumulate(base.cbegin(), base.cend(), 0);
    const int extraSum = std::accumulate(extra.cbegin(), extra.cend(), 0);
    QList<int> width = base;
    if (baseSum + extraSum <= room) {
      for (int c = 0; c < count; ++c)
        width[c] += extra[c];
      const int stretch = FStretch >= 0 && FStretch < count ? FStretch : count - 1;
      width[stretch] += room - baseSum - extraSum;
    } else if (baseSum < room) {
      // A column only a little wider than the level the others are cut to stays whole: a MAC
      // address cut by its last two characters is no use to anyone.
      QList<bool> whole(count, false);
      int cap = Level(extra, whole, room - baseSum);
      for (int c = 0; c < count; ++c)
        whole[c] = extra[c] <= cap + kKeepWhole;
      int granted = 0;
      for (int c = 0; c < count; ++c)
        granted += whole[c] ? extra[c] : 0;
      if (granted < room - baseSum && std::count(whole.cbegin(), whole.cend(), false) > 0)
        cap = Level(extra, whole, room - baseSum - granted);
      else
        whole.fill(false);
      int used = 0;
      for (int c = 0; c < count; ++c) {
        width[c] += whole[c] ? extra[c] : qMin(extra[c], cap);
        used += width[c];
      }
      // Rounding leaves a few pixels: the widest column takes them.
      const auto widest = std::max_element(extra.cbegin(), extra.cend()) - extra.cbegin();
      width[widest] += room - used;
    }
    for (int c = 0; c < count; ++c)
      FHeader->resizeSection(c, width[c]);
  }

protected:
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override {
    // Compared, never called: while the view is being destroyed its viewport still has events.
    if (aWatched == FViewport && aEvent->type() == QEvent::Resize)
      Later();
    return false;
  }

private:
  static constexpr int kKeepWhole = 24;

  // The width every column not marked whole is cut to so that their extras fill aRoom.
  static int Level(const QList<int>& aExtra, const QList<bool>& aWhole, int aRoom) {
    QList<int> sorted;
    for (qsizetype c = 0; c < aExtra.size(); ++c)
      if (!aWhole[c])
        sorted << aExtra[c];
    std::sort(sorted.begin(), sorted.end());
    int left = aRoom;
    int cap = 0;
    for (qsizetype k = 0; k < sorted.size(); ++k) {
      const int remaining = int(sorted.size() - k);
      if (sorted[k] * remaining >= left)
        return left / remaining;
      left -= sorted[k];
      cap = sorted[k];
    }
    return cap;
  }

  void Later() { FTimer.start(0); }

  void Watch() {
    QAbstractItemModel* model = FView->model();
    if (!model || model == FModel)
      return;
    if (FModel)
      disconnect(FModel, nullptr, this, nullptr);
    FModel = model;
    connect(model, &QAbstractItemModel::modelReset, this, &TColumnFitter::Later);
    connect(model, &QAbstractItemModel::layoutChanged, this, &TColumnFitter::Later);
    connect(model, &QAbstractItemModel::rowsInserted, this, &TColumnFitter::Later);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &TColumnFitter::Later);
    connect(model, &QAbstractItemModel::columnsInserted, this, &TColumnFitter::Later);
    connect(model, &QAbstractItemModel::columnsRemoved, this, &TColumnFitter::Later);
    connect(model, &QAbstractItemModel::dataChanged, this, &TColumnFitter::Later);
    connect(model, &QAbstractItemModel::headerDataChanged, this, &TColumnFitter::Later);
  }

  QAbstractItemView* FView;
  QObject* FViewport;
  QHeaderView* FHeader;
  QAbstractItemModel* FModel = nullptr;
  int FStretch;
  QTimer FTimer;
};

} // namespace

void FitColumnsToContents(QAbstractItemView* aView, QHeaderView* aHeader, int aStretch) {
  // Called again when the columns change; one delegate and one fitter are enough.
  if (!dynamic_cast<TCutTextTooltip*>(aView->itemDelegate()))
    aView->setItemDelegate(new TCutTextTooltip(aView));
  for (QObject* child : aView->children())
    if (auto* fitter = dynamic_cast<TColumnFitter*>(child)) {
      fitter->SetStretch(aStretch);
      return;
    }
  new TColumnFitter(aView, aHeader, aStretch);
}
