#include "tools/fit_columns.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QToolTip>

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

} // namespace

void FitColumnsToContents(QAbstractItemView* aView, QHeaderView* aHeader) {
  aHeader->setSectionResizeMode(QHeaderView::ResizeToContents);
  aHeader->setStretchLastSection(true);
  aView->setItemDelegate(new TCutTextTooltip(aView));
}
