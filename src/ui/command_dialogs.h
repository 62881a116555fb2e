#pragma once

#include <QDialog>
#include <QList>
#include <QSize>
#include <QString>

class QColor;
class QLineEdit;

// The small input dialogs of the commands menu: adding and deleting a custom command and the lot
// number. A heading (optional), labelled edit boxes, "OK" (default) and "Cancel", centred on the
// screen. They are shown modal without an event loop of their own: the caller reacts to
// accepted(), and the ports keep being served behind them.
class TCommandDialog : public QDialog {
  Q_OBJECT
public:
  struct TField {
    QString Name; // object name of the edit box
    QString Label;
    QString Text; // prefilled text
  };

  TCommandDialog(QWidget* aParent, const QString& aName, const QString& aTitle, const QSize& aSize,
                 const QList<TField>& aFields, const QString& aHeading = QString(),
                 const QColor* aHeadingColor = nullptr);

  QLineEdit* Edit(int aIndex) const { return FEdits.value(aIndex); }
  QString Value(int aIndex) const;

  // Shows the dialog application-modal and returns at once; it deletes itself when closed.
  void ShowModal();

private:
  QList<QLineEdit*> FEdits;
};
