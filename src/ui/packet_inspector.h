#pragma once

#include "protocols/packet_describer.h"
#include "style/theme.h"

#include <QWidget>

class QLabel;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TDictionary;

// The side panel of the log page that shows one packet taken apart: a tree of its fields with
// their values, bytes and offsets, and where decoding stopped. It only shows what it is given.
class TPacketInspector : public QWidget {
  Q_OBJECT
public:
  enum TColumn : int { colField, colValue, colRaw, colOffset, colCount };

  explicit TPacketInspector(const TDictionary& aDictionary, QWidget* aParent = nullptr);

  void ShowDescription(const TPacketDescription& aDescription);
  // No row selected.
  void ShowNothing();
  const TPacketDescription& Description() const { return FDescription; }
  // The description as indented text, as the copy button puts it on the clipboard.
  QString Text() const { return FDescription.ToText(); }
  void CopyToClipboard() const;

  void Retranslate();
  void SetTheme(const TThemeColors& aTheme);

  QTreeWidget& Tree() { return *FTree; }
  QLabel& StopLabel() { return *FStop; }

private:
  void AddFields(QTreeWidgetItem* aParent, const QList<TPacketField>& aFields);
  void Fill();

  const TDictionary& FDictionary;
  TThemeColors FTheme = DarkTheme();
  TPacketDescription FDescription;
  bool FEmpty = true;
  QLabel* FTitle = nullptr;
  QToolButton* FCopy = nullptr;
  QTreeWidget* FTree = nullptr;
  QLabel* FStop = nullptr;
};
