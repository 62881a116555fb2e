#include "settings/controls/history_popup.h"

#include "settings/controls/control_class.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

QPointer<THistoryPopup> gOpen;

// Rows: the entry, cut with an ellipsis, and a grey cross in the right-hand part that deletes it.
class TRowDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& aOption, const QModelIndex& aIndex) const override {
    return QSize(QStyledItemDelegate::sizeHint(aOption, aIndex).width(), THistoryPopup::kRowHeight);
  }
  void paint(QPainter* aPainter, const QStyleOptionViewItem& aOption,
             const QModelIndex& aIndex) const override {
    const bool selected = aOption.state & QStyle::State_Selected;
    const QPalette& pal = aOption.palette;
    aPainter->fillRect(aOption.rect, selected ? pal.highlight() : pal.base());
    aPainter->setPen(selected ? pal.highlightedText().color() : pal.text().color());
    QRect text = aOption.rect.adjusted(4, 0, -THistoryPopup::kDeleteWidth, 0);
    const QString shown =
        aOption.fontMetrics.elidedText(aIndex.data().toString(), Qt::ElideRight, text.width());
    aPainter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
    aPainter->setPen(QColor(128, 128, 128));
    aPainter->drawText(QRect(aOption.rect.right() - 20, aOption.rect.top(), 20, aOption.rect.height()),
                       Qt::AlignCenter, QStringLiteral("×"));
  }
};

// One filter for the whole program: a press anywhere outside the open pop-up and its edit box
// closes it. It does nothing while no pop-up is open.
class TPopupCloser : public QObject {
public:
  static void Install() {
    static TPopupCloser* closer = nullptr;
    if (!closer) {
      closer = new TPopupCloser(qApp);
      qApp->installEventFilter(closer);
    }
  }

protected:
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override {
    const QEvent::Type t = aEvent->type();
    if (!gOpen || !gOpen->isVisible() ||
        (t != QEvent::MouseButtonPress && t != QEvent::NonClientAreaMouseButtonPress &&
         t != QEvent::MouseButtonDblClick))
      return false;
    const auto* mouse = static_cast<QMouseEvent*>(aEvent);
    if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton)
      return false;
    auto* widget = qobject_cast<QWidget*>(aWatched);
    if (!widget)
      return false;
    const QWidget* edit = gOpen->Owner() ? gOpen->Owner()->Edit() : nullptr;
    if (widget == gOpen || gOpen->isAncestorOf(widget) ||
        (edit && (widget == edit || edit->isAncestorOf(widget))))
      return false;
    gOpen->CloseUp();
    return false;
  }

private:
  using QObject::QObject;
};

} // namespace

THistoryPopup::THistoryPopup(TControlClass* aOwner)
    : QWidget(aOwner->window(), Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FOwner(aOwner) {
  setObjectName(QStringLiteral("HistoryForm"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  FList = new QListWidget(this);
  FList->setFrameShape(QFrame::NoFrame);
  FList->setMinimumSize(0, 0);
  FList->setObjectName(QStringLiteral("HistoryList"));
  FList->setItemDelegate(new TRowDelegate(FList));
  FList->setUniformItemSizes(true);
  FList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FList->setFocusPolicy(Qt::StrongFocus);
  FList->installEventFilter(this);
  FList->viewport()->installEventFilter(this);
  TPopupCloser::Install();
}

// Forgotten before the widget part goes: ~QWidget closes the window, and the program-wide filter
// sees that close while the pointer still names an object that is no longer a pop-up.
THistoryPopup::~THistoryPopup() {
  if (gOpen == this)
    gOpen = nullptr;
}

THistoryPopup* THistoryPopup::OpenPopup() {
  return gOpen && gOpen->isVisible() ? gOpen.data() : nullptr;
}

QStringList THistoryPopup::Entries() const {
  QStringList out;
  for (int i = 0; i < FList->count(); ++i)
    out.append(FList->item(i)->text());
  return out;
}

void THistoryPopup::ShowFiltered(const QString& aFilter) {
  const QStringList entries = FOwner->History().Matching(aFilter);
  if (entries.isEmpty()) {
    CloseUp();
    return;
  }
  if (gOpen && gOpen != this)
    gOpen->CloseUp();
  FList->clear();
  FList->addItems(entries);
  Place(int(entries.size()));
  gOpen = this;
  show();
  raise();
}

void THistoryPopup::Place(int aRows) {
  QLineEdit* edit = FOwner->Edit();
  const QPoint at = edit->mapToGlobal(QPoint(0, edit->height()));
  setGeometry(at.x(), at.y(), qMax(edit->width(), kMinWidth), qMin(aRows, kMaxRows) * kRowHeight + 4);
}

void THistoryPopup::resizeEvent(QResizeEvent*) {
  // The rows fill the pop-up, 2 px inside its edge; no layout, so it may be as low as one row.
  FList->setGeometry(rect().adjusted(2, 2, -2, -2));
}

void THistoryPopup::CloseUp() {
  if (gOpen == this)
    gOpen = nullptr;
  hide();
}

void THistoryPopup::Enter(bool aFirst) {
  if (FList->count() == 0)
    return;
  FList->setCurrentRow(aFirst ? 0 : FList->count() - 1);
  activateWindow();
  FList->setFocus();
}

void THistoryPopup::ClickRow(int aRow, bool aDelete) {
  if (aRow < 0 || aRow >= FList->count())
    return;
  const QString text = FList->item(aRow)->text();
  if (!aDelete) {
    // The text's change handling runs first (and would show the pop-up again); then it closes.
    FOwner->ChooseHistory(text);
    CloseUp();
    return;
  }
  FOwner->FHistoryDeleting = true;
  TInputHistory& history = FOwner->History();
  history.Delete(int(history.Values().indexOf(text)));
  delete FList->takeItem(aRow);
  FOwner->FHistoryDeleting = false;
  if (FList->count() == 0)
    CloseUp();
  else
    Place(FList->count());
  FOwner->Edit()->setFocus();
}

bool THistoryPopup::eventFilter(QObject* aWatched, QEvent* aEvent) {
  if (aWatched == FList && aEvent->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(aEvent);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      ClickRow(FList->currentRow(), false);
      return true;
    case Qt::Key_Escape:
      CloseUp();
      FOwner->Edit()->setFocus();
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
      return false;
    default: {
      // Typing goes on in the edit box.
      QLineEdit* edit = FOwner->Edit();
      edit->setFocus();
      QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text());
      QApplication::sendEvent(edit, &copy);
      return true;
    }
    }
  }
  if (aWatched == FList->viewport() && aEvent->type() == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(aEvent);
    const int row = FList->row(FList->itemAt(mouse->position().toPoint()));
    ClickRow(row, mouse->position().x() >= FList->viewport()->width() - kDeleteWidth);
    return true;
  }
  return QWidget::eventFilter(aWatched, aEvent);
}
