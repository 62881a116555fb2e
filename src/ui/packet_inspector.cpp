#include "ui/packet_inspector.h"

#include "i18n/dictionary.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TPacketInspector::TPacketInspector(const TDictionary& aDictionary, QWidget* aParent)
    : QWidget(aParent), FDictionary(aDictionary) {
  setObjectName(QStringLiteral("PacketInspector"));
  setAttribute(Qt::WA_StyledBackground);

  auto* head = new QWidget(this);
  head->setObjectName(QStringLiteral("InspectorHead"));
  auto* headLayout = new QHBoxLayout(head);
  headLayout->setContentsMargins(8, 4, 4, 4);
  FTitle = new QLabel(head);
  FTitle->setObjectName(QStringLiteral("InspectorTitle"));
  FTitle->setWordWrap(true);
  FCopy = new QToolButton(head);
  FCopy->setObjectName(QStringLiteral("btnInspectorCopy"));
  FCopy->setFocusPolicy(Qt::NoFocus);
  FCopy->setAutoRaise(true);
  headLayout->addWidget(FTitle, 1);
  headLayout->addWidget(FCopy);

  FTree = new QTreeWidget(this);
  FTree->setObjectName(QStringLiteral("InspectorTree"));
  FTree->setColumnCount(colCount);
  FTree->setUniformRowHeights(true);
  FTree->setSelectionMode(QAbstractItemView::SingleSelection);
  FTree->setFrameShape(QFrame::NoFrame);
  FTree->setIndentation(14);
  // The value takes what the panel gains; the bytes can be read in full in their tooltip.
  FTree->header()->setStretchLastSection(false);
  FTree->header()->setSectionResizeMode(QHeaderView::Interactive);
  FTree->header()->setSectionResizeMode(colValue, QHeaderView::Stretch);
  FTree->header()->setSectionResizeMode(colOffset, QHeaderView::ResizeToContents);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(9);
  FTree->setFont(fixed);

  FStop = new QLabel(this);
  FStop->setObjectName(QStringLiteral("InspectorStop"));
  FStop->setWordWrap(true);
  FStop->setTextInteractionFlags(Qt::TextSelectableByMouse);
  FStop->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(head);
  layout->addWidget(FTree, 1);
  layout->addWidget(FStop);

  connect(FCopy, &QToolButton::clicked, this, &TPacketInspector::CopyToClipboard);
  Retranslate();
  SetTheme(FTheme);
}

void TPacketInspector::ShowDescription(const TPacketDescription& aDescription) {
  FDescription = aDescription;
  FEmpty = false;
  Fill();
}

void TPacketInspector::ShowNothing() {
  FDescription = TPacketDescription();
  FEmpty = true;
  Fill();
}

void TPacketInspector::CopyToClipboard() const {
  if (!FEmpty)
    QApplication::clipboard()->setText(Text());
}

void TPacketInspector::AddFields(QTreeWidgetItem* aParent, const QList<TPacketField>& aFields) {
  for (const TPacketField& f : aFields) {
    auto* item = aParent ? new QTreeWidgetItem(aParent) : new QTreeWidgetItem(FTree);
    item->setText(colField, f.Caption);
    item->setText(colValue, f.Value);
    item->setText(colRaw, f.Raw);
    item->setToolTip(colRaw, f.Raw);
    item->setToolTip(colValue, f.Value);
    if (f.Offset >= 0)
      item->setText(colOffset, f.Size > 1 ? QStringLiteral("%1–%2").arg(f.Offset).arg(f.Offset + f.Size - 1)
                                          : QString::number(f.Offset));
    QColor color;
    switch (f.Mark) {
    case TPacketField::fmGood:
      color = FTheme.Accent;
      break;
    case TPacketField::fmBad:
      color = FTheme.Alarm;
      break;
    case TPacketField::fmUnknown:
      color = FTheme.Muted;
      break;
    case TPacketField::fmPlain:
      break;
    }
    if (color.isValid())
      for (int c = 0; c < colCount; ++c)
        item->setForeground(c, color);
    AddFields(item, f.Children);
  }
}

void TPacketInspector::Fill() {
  FTree->clear();
  FCopy->setEnabled(!FEmpty);
  if (FEmpty) {
    FTitle->setText(FDictionary.Translate(QStringLiteral("insp_none")));
    FStop->hide();
    return;
  }
  FTitle->setText(FDescription.Title);
  AddFields(nullptr, FDescription.Fields);
  FTree->expandAll();
  FTree->resizeColumnToContents(colField);
  FTree->resizeColumnToContents(colRaw);
  FTree->setColumnWidth(colRaw, qMin(FTree->columnWidth(colRaw), qMax(80, FTree->width() / 4)));
  if (FDescription.Stopped) {
    QString text = FDictionary.Translate(QStringLiteral("insp_stopped"));
    if (FDescription.StopOffset >= 0)
      text += QStringLiteral(" (%1 %2)")
                  .arg(FDictionary.Translate(QStringLiteral("insp_col_offset")).toLower())
                  .arg(FDescription.StopOffset);
    FStop->setText(text + QLatin1String(": ") + FDescription.StopReason);
    FStop->show();
  } else {
    FStop->hide();
  }
}

void TPacketInspector::Retranslate() {
  FCopy->setText(FDictionary.Translate(QStringLiteral("insp_copy")));
  FTree->setHeaderLabels({FDictionary.Translate(QStringLiteral("insp_col_field")),
                          FDictionary.Translate(QStringLiteral("insp_col_value")),
                          FDictionary.Translate(QStringLiteral("insp_col_raw")),
                          FDictionary.Translate(QStringLiteral("insp_col_offset"))});
  if (FEmpty)
    Fill();
}

void TPacketInspector::SetTheme(const TThemeColors& aTheme) {
  FTheme = aTheme;
  const QColor back = aTheme.Dark ? QColor(16, 23, 30) : QColor(250, 251, 252);
  setStyleSheet(QStringLiteral(R"(
    #PacketInspector, #InspectorHead { background: %1; }
    #InspectorTitle { color: %2; font-weight: bold; }
    #InspectorTree { background: %3; color: %2; alternate-background-color: %3; }
    #InspectorTree QHeaderView { background: %1; }
    #InspectorTree QHeaderView::section { background: %1; color: %4; border: none; padding: 2px 4px; }
    #InspectorStop { background: %5; color: white; padding: 4px 8px; }
    QToolButton { color: %2; border: none; border-radius: 4px; padding: 3px 7px; }
    QToolButton:disabled { color: %4; }
  )")
                    .arg(aTheme.Panel.name(), aTheme.Text.name(), back.name(), aTheme.Muted.name(),
                         QColor(0xB0, 0x30, 0x30).name()));
  // Marks take the theme's colours: build the tree again with them.
  if (!FEmpty)
    Fill();
}
