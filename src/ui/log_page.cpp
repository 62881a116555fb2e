#include "ui/log_page.h"

#include "base/clock.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "core/log_file.h"
#include "device/command_table.h"
#include "device/port_info.h"
#include "i18n/dictionary.h"
#include "monitor/item_class.h"
#include "platform/registry.h"
#include "protocols/packet_describer.h"
#include "style/icons.h"
#include "ui/form_state.h"
#include "ui/log_model.h"
#include "ui/packet_inspector.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

namespace {

constexpr char kSendPanelHeightValue[] = "SendPanelHeight";
constexpr char kInspectorVisibleValue[] = "InspectorVisible";
constexpr char kInspectorWidthValue[] = "InspectorWidth";
// A generation-3 answer is read with the request sent before it; packets still open between them
// are skipped, but only a few, so that one selection never walks a long stretch of the index.
constexpr int kRequestLookBack = 16;
// Characters of a sent line that its hint repeats.
constexpr qsizetype kSentHintChars = 40;
// The activity bar moves one pixel per 2 ms after the last entry: 43 200 000 units a day.
constexpr double kBarUnitsPerDay = 43200000.0;
constexpr int kBarLeft = 92;
constexpr int kBarHeight = 4;
// Past this the bar is out of sight on any screen; the limits keep the arithmetic in range.
constexpr int kBarMaxTravel = 100000;

QString SaveLogDialog(QWidget* aParent, const QString& aTitle, const QString& aProposedName,
                      const QString& aFilterName) {
  const QString filter = aFilterName + QStringLiteral(" (*.log)");
  QFileDialog dialog(aParent, aTitle, aProposedName, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("log"));
  dialog.selectNameFilter(filter);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return QString();
  return dialog.selectedFiles().constFirst();
}

QWidget* Separator(QWidget* aParent) {
  auto* line = new QWidget(aParent);
  line->setObjectName(QStringLiteral("LogSeparator"));
  line->setAttribute(Qt::WA_StyledBackground);
  line->setFixedSize(1, 18);
  return line;
}

} // namespace

TLogPage::TLogPage(TExchangeCore& aCore, const TDictionary& aDictionary, const TIcons& aIcons,
                   TRegistry& aRegistry, TCurrentPort aCurrentPort, THint aHint, QWidget* aParent)
    : QWidget(aParent), FCore(aCore), FDictionary(aDictionary), FIcons(aIcons), FRegistry(aRegistry),
      FCurrentPort(std::move(aCurrentPort)), FHint(std::move(aHint)) {
  setObjectName(QStringLiteral("LogPage"));
  setAttribute(Qt::WA_StyledBackground);
  FSaveDialog = [this](QWidget* aOwner, const QString& aName) {
    return SaveLogDialog(aOwner, FDictionary.Translate(QStringLiteral("Save")), aName,
                         FDictionary.Translate(QStringLiteral("flt_log")));
  };

  auto* tools = new QWidget(this);
  FToolRow = tools;
  tools->installEventFilter(this);
  tools->setObjectName(QStringLiteral("LogToolPanel"));
  tools->setAttribute(Qt::WA_StyledBackground);
  auto* toolsLayout = new QHBoxLayout(tools);
  toolsLayout->setContentsMargins(8, 5, 12, 5);
  toolsLayout->setSpacing(4);

  FPlay = NewButton("btnPlay", true);
  FPause = NewButton("btnPause", true);
  FShowHEX = NewButton("btnShowHEX", true);
  FShowHEX->setText(QStringLiteral("HEX"));
  FShowTEXT = NewButton("btnShowTEXT", true);
  FShowTEXT->setText(QStringLiteral("Text"));
  FShowEnterButton = NewButton("btnShowEnter", true);
  FShowEnterButton->setText(QStringLiteral("MODEM"));
  FClear = NewButton("btn_Clear", false);
  FSave = NewButton("btn_Save", false);
  for (QToolButton* b : {FClear, FSave}) {
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // Never narrower than what they show: a cut word reads as another word.
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  }
  FInspectorButton = NewButton("btnInspector", true);

  auto* follow = new QButtonGroup(this);
  follow->addButton(FPlay);
  follow->addButton(FPause);
  auto* rendering = new QButtonGroup(this);
  rendering->addButton(FShowHEX);
  rendering->addButton(FShowTEXT);

  FInByteCount = new QLabel(tools);
  FInByteCount->setObjectName(QStringLiteral("InByteCountLabel"));
  FOutByteCount = new QLabel(tools);
  FOutByteCount->setObjectName(QStringLiteral("OutByteCountLabel"));
  for (QLabel* l : {FInByteCount, FOutByteCount}) {
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(130);
  }

  // Follow, rendering, modem, then what acts on the whole log.
  const QList<QList<QWidget*>> groups{
      {FPlay, FPause}, {FShowHEX, FShowTEXT}, {FShowEnterButton}, {FClear, FSave}, {FInspectorButton}};
  for (const QList<QWidget*>& group : groups) {
    if (&group != &groups.first())
      toolsLayout->addWidget(Separator(tools));
    for (QWidget* w : group)
      toolsLayout->addWidget(w);
  }
  toolsLayout->addStretch(1);
  toolsLayout->addWidget(FInByteCount);
  toolsLayout->addSpacing(12);
  toolsLayout->addWidget(FOutByteCount);

  FModel = new TLogModel(FCore, this);
  FList = new TLogListView(this);
  FList->setObjectName(QStringLiteral("InListView"));
  FList->setFrameShape(QFrame::NoFrame);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(11);
  // Fixed pitch and no script that needs shaping: skipping the shaper makes every paint cheaper.
  fixed.setStyleStrategy(QFont::PreferNoShaping);
  FList->setFont(fixed);
  FList->setModel(FModel);
  FList->viewport()->installEventFilter(this);

  FSendPanel = new QWidget(this);
  FSendPanel->setObjectName(QStringLiteral("SendPanel"));
  FSendPanel->setAttribute(Qt::WA_StyledBackground);
  FSendPanel->setMinimumHeight(kSendPanelMin);
  FSendPanel->setMaximumHeight(kSendPanelMax);
  BuildSendPanel(FSendPanel);

  FSplitter = new QSplitter(Qt::Vertical, this);
  FSplitter->setObjectName(QStringLiteral("LogSplitter"));
  FSplitter->setChildrenCollapsible(false);
  FSplitter->setHandleWidth(5);
  FSplitter->addWidget(FList);
  FSplitter->addWidget(FSendPanel);
  FSplitter->setStretchFactor(0, 1);
  FSplitter->setStretchFactor(1, 0);

  FInspector = new TPacketInspector(FDictionary, this);
  FInspector->setMinimumWidth(kInspectorMin);
  FInspector->setMaximumWidth(kInspectorMax);
  FInspectorSplitter = new QSplitter(Qt::Horizontal, this);
  FInspectorSplitter->setObjectName(QStringLiteral("InspectorSplitter"));
  FInspectorSplitter->setChildrenCollapsible(false);
  FInspectorSplitter->setHandleWidth(5);
  FInspectorSplitter->addWidget(FSplitter);
  FInspectorSplitter->addWidget(FInspector);
  FInspectorSplitter->setStretchFactor(0, 1);
  FInspectorSplitter->setStretchFactor(1, 0);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tools);
  layout->addWidget(FInspectorSplitter, 1);

  connect(FPlay, &QToolButton::clicked, this, [this] { SetFollow(true); });
  connect(FPause, &QToolButton::clicked, this, [this] { SetFollow(false); });
  connect(FShowHEX, &QToolButton::clicked, this, [this] { SetHEX(true); });
  connect(FShowTEXT, &QToolButton::clicked, this, [this] { SetHEX(false); });
  connect(FShowEnterButton, &QToolButton::clicked, this, &TLogPage::ModemClick);
  connect(FClear, &QToolButton::clicked, this, &TLogPage::Clear);
  connect(FSave, &QToolButton::clicked, this, &TLogPage::Save);
  connect(FSend, &QToolButton::clicked, this, &TLogPage::Send);
  connect(FList, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& aIndex) { CopyRowToSendMemo(aIndex.row()); });
  connect(FList->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& aCurrent) {
            FModel->SetSelectedRow(aCurrent.isValid() ? aCurrent.row() : -1);
            if (FInspectorVisible)
              InspectRow(FModel->SelectedRow());
          });
  connect(FSplitter, &QSplitter::splitterMoved, this, &TLogPage::OnSplitterMoved);
  connect(FInspectorSplitter, &QSplitter::splitterMoved, this, &TLogPage::OnInspectorSplitterMoved);
  connect(FInspectorButton, &QToolButton::clicked, this, [this](bool aOn) { SetInspectorVisible(aOn); });

  FSendPanelHeight = qBound(
      kSendPanelMin,
      FRegistry
          .Read(QString::fromLatin1(kFormsKey), QString::fromLatin1(kSendPanelHeightValue), kSendPanelDefault)
          .toInt(),
      kSendPanelMax);
  ApplySendPanelHeight();
  const QString forms = QString::fromLatin1(kFormsKey);
  FInspectorWidth =
      qBound(kInspectorMin,
             FRegistry.Read(forms, QString::fromLatin1(kInspectorWidthValue), kInspectorDefault).toInt(),
             kInspectorMax);
  FInspectorVisible = FRegistry.Read(forms, QString::fromLatin1(kInspectorVisibleValue), false).toBool();
  FInspector->setVisible(FInspectorVisible);
  FInspectorButton->setChecked(FInspectorVisible);
  ApplyInspectorWidth();

  SetHEX(false);
  SetShowEnter(false);
  SetFollow(true);
  SetTheme(FTheme);
  Retranslate();
}

TLogPage::~TLogPage() = default;

void TLogPage::FitToolRow(bool aMeasure) {
  if (!FClear || !FSave || !FToolRow->layout())
    return;
  if (aMeasure) {
    FWordsWidth = 0;
    for (QToolButton* b : {FClear, FSave}) {
      const Qt::ToolButtonStyle style = b->toolButtonStyle();
      b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      const int words = b->sizeHint().width();
      b->setToolButtonStyle(Qt::ToolButtonIconOnly);
      FWordsWidth += words - b->sizeHint().width();
      b->setToolButtonStyle(style);
      b->setToolTip(b->text());
    }
  }
  const bool iconsOnly = FClear->toolButtonStyle() == Qt::ToolButtonIconOnly;
  const int withWords = FToolRow->layout()->sizeHint().width() + (iconsOnly ? FWordsWidth : 0);
  const Qt::ToolButtonStyle wanted =
      FToolRow->width() < withWords ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon;
  for (QToolButton* b : {FClear, FSave})
    if (b->toolButtonStyle() != wanted)
      b->setToolButtonStyle(wanted);
}

QToolButton* TLogPage::NewButton(const char* aName, bool aCheckable) {
  auto* b = new QToolButton(this);
  b->setObjectName(QString::fromLatin1(aName));
  b->setCheckable(aCheckable);
  b->setFocusPolicy(Qt::NoFocus);
  b->setAutoRaise(true);
  b->setIconSize(QSize(16, 16));
  return b;
}

void TLogPage::BuildSendPanel(QWidget* aPanel) {
  auto* layout = new QHBoxLayout(aPanel);
  layout->setContentsMargins(8, 6, 12, 8);
  layout->setSpacing(8);
  FSendMemo = new QPlainTextEdit(aPanel);
  FSendMemo->setObjectName(QStringLiteral("SendMemo"));
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(10);
  FSendMemo->setFont(fixed);
  FSendMemo->setTabChangesFocus(true);
  FSendMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  FSend = NewButton("btn_Send", false);
  FSend->setAutoRaise(false);
  FSend->setMinimumWidth(96);
  auto* column = new QVBoxLayout;
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(FSend);
  column->addStretch(1);
  layout->addWidget(FSendMemo, 1);
  layout->addLayout(column);
}

// ---- the core's hooks ----

void TLogPage::LogChange() {
  if (FFollow) {
    SyncRowsToEnd();
    // Rows already shown may have grown: the open packet at the end is extended by every chunk.
    FList->viewport()->update();
  }
  ShowCounters(FCore.InByteTotal(), FCore.OutByteTotal());
}

void TLogPage::LogViewClear() {
  FModel->SetRowCount(0);
}

void TLogPage::LogViewSetRowCount(int aRows) {
  FModel->SetRowCount(aRows);
  FList->viewport()->update();
}

void TLogPage::SyncRowsToEnd() {
  const int rows = int(qMin<size_t>(FCore.ViewIndex().size(), size_t(INT_MAX)));
  FModel->SetRowCount(rows);
  if (rows > 0) {
    const QModelIndex last = FModel->index(rows - 1);
    FList->selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect);
    FList->scrollTo(last);
  }
}

void TLogPage::SetFollow(bool aValue) {
  if (aValue)
    SyncRowsToEnd();
  FList->viewport()->update();
  FFollow = aValue;
  FPlay->setChecked(aValue);
  FPause->setChecked(!aValue);
}

void TLogPage::SetHEX(bool aHEX) {
  FHEX = aHEX;
  FModel->SetHEX(aHEX);
  // The pressed one shows its caption in the accent colour (the style sheet's :checked).
  FShowHEX->setChecked(aHEX);
  FShowTEXT->setChecked(!aHEX);
  FList->viewport()->update();
}

void TLogPage::SetShowEnter(bool aValue) {
  FShowEnterButton->setChecked(aValue);
  FShowEnter = aValue;
  FList->viewport()->update();
}

void TLogPage::ShowCounters(qint64 aIn, qint64 aOut) {
  FShownIn = aIn;
  FShownOut = aOut;
  const QLocale locale;
  FInByteCount->setText(FDictionary.Translate(QStringLiteral("InByteCount")) + QStringLiteral(": ") +
                        locale.toString(aIn));
  FOutByteCount->setText(FDictionary.Translate(QStringLiteral("OutByteCount")) + QStringLiteral(": ") +
                         locale.toString(aOut));
}

// ---- buttons ----

void TLogPage::Clear() {
  FCore.Clear();
  FCore.Host().VisualSetValue(QStringLiteral("InByteCount"), QVariant());
  FCore.Host().VisualSetValue(QStringLiteral("OutByteCount"), QVariant());
  SetFollow(true);
  // The totals are zero now; a silent device would otherwise leave the old counts standing.
  ShowCounters(FCore.InByteTotal(), FCore.OutByteTotal());
}

void TLogPage::Save() {
  TPortInfo* port = Port();
  if (!port || !FSaveDialog)
    return;
  const QString proposed = ProposedLogFileName(port->DeviceName(), FCore.Clock().Now()).trimmed();
  const QString fileName = FSaveDialog(this, proposed);
  if (fileName.isEmpty())
    return;
  QString error;
  if (!SaveLogFile(fileName, FCore.TrafficLog(), FCore.ViewIndex(), FHEX, &error) && FHint)
    FHint(0, FDictionary.Translate(QStringLiteral("mes_filesaveerror")) + u' ' + error);
}

void TLogPage::Send() {
  TPortInfo* port = Port();
  if (!port)
    return;
  // The box separates its lines with LF; the device expects CR LF after every line.
  QString text = FSendMemo->toPlainText();
  // The hint names what went: its first line, as long as a hint stays readable.
  const QString shown = text.section(u'\n', 0, 0);
  text.replace(u'\n', QStringLiteral("\r\n"));
  text += QStringLiteral("\r\n");
  port->SendAnsiString(ToLogCodePage(text));
  const QString named = shown.size() > kSentHintChars ? shown.left(kSentHintChars) + QChar(0x2026) : shown;
  if (FHint)
    FHint(3, FDictionary.Translate(QStringLiteral("mes_commandsent")) + QStringLiteral(": ") + named);
  FCore.AwaitReply(named);
}

void TLogPage::ModemClick() {
  SetShowEnter(!FShowEnter);
  if (TPortInfo* port = Port())
    port->SendAnsiString(FModemToggle ? QByteArrayLiteral(">D 9;0\r\n") : QByteArrayLiteral(">D 9;1\r\n"));
  FModemToggle = !FModemToggle;
}

void TLogPage::CopyRowToSendMemo(int aRow) {
  const TPacket* entry = FModel->Entry(aRow);
  if (!entry)
    return;
  QByteArrayView bytes = FModel->EntryBytes(*entry);
  if (FHEX) {
    FSendMemo->setPlainText(TLogModel::HexText(bytes, INT_MAX));
    return;
  }
  // Only the line end goes: Send puts it back. Lines inside the entry stay lines of the box, so
  // a chunk that carried two lines is sent as the same two lines.
  if (bytes.endsWith("\r\n"))
    bytes.chop(2);
  FSendMemo->setPlainText(FromLogCodePage(bytes));
}

// ---- activity bar ----

TLogPage::TActivityBar TLogPage::ActivityBar() const {
  const TPacketArray& view = FCore.ViewIndex();
  if (view.empty())
    return {QRect(-100, 0, 0, kBarHeight), QColor()};
  const TPacket& last = view.back();
  const double elapsed = FCore.Clock().NowStamp() - last.Time;
  // A clock set back leaves the bar at its start; a stamp from another day sends it far away.
  const double units = std::isfinite(elapsed) ? std::round(elapsed * kBarUnitsPerDay) : double(kBarMaxTravel);
  const int travel = int(qBound(0.0, units, double(kBarMaxTravel)));
  const int width = int(qBound(qint64(0), last.Size, qint64(kBarMaxTravel / 2)) * 2);
  return {QRect(kBarLeft + travel, 0, width, kBarHeight), TLogModel::StateColor(last.State)};
}

void TLogPage::UpdateDataLabel(QWidget* aDataLabel) {
  if (!aDataLabel)
    return;
  const TActivityBar bar = ActivityBar();
  if (aDataLabel->geometry() != bar.Geometry)
    aDataLabel->setGeometry(bar.Geometry);
  // Restyled only when the colour changes: the timer ticks forty times a second.
  if (bar.Color.isValid() && bar.Color != FDataLabelColor) {
    FDataLabelColor = bar.Color;
    aDataLabel->setStyleSheet(QStringLiteral("background: %1;").arg(bar.Color.name()));
  }
}

// ---- language, theme, send panel ----

void TLogPage::Retranslate() {
  FClear->setText(FDictionary.Translate(QStringLiteral("Clear")));
  FSave->setText(FDictionary.Translate(QStringLiteral("Save")));
  FSend->setText(FDictionary.Translate(QStringLiteral("Send")));
  FInspectorButton->setText(FDictionary.Translate(QStringLiteral("insp_toggle")));
  FInspectorButton->setToolTip(FDictionary.Translate(QStringLiteral("insp_title")));
  FitToolRow(true);
  FInspector->Retranslate();
  // Field captions and verdicts are texts of the language too.
  if (FInspectorVisible)
    InspectRow(FModel->SelectedRow());
  ShowCounters(FShownIn, FShownOut);
}

void TLogPage::LoadIcons() {
  FPlay->setIcon(FIcons.Icon(QStringLiteral("I_PLAY"), 16));
  FPause->setIcon(FIcons.Icon(QStringLiteral("I_PAUSE"), 16));
  FClear->setIcon(FIcons.Icon(QStringLiteral("I_NO"), 16));
  FSave->setIcon(FIcons.Icon(QStringLiteral("I_SAVE"), 16));
}

void TLogPage::SetTheme(const TThemeColors& aTheme) {
  FTheme = aTheme;
  const QColor listBack = aTheme.Dark ? aTheme.Window : QColor(235, 238, 240);
  const QColor memoBack = aTheme.Dark ? QColor(16, 23, 30) : QColor(245, 247, 248);
  const QString hover =
      aTheme.Dark ? QStringLiteral("rgba(255,255,255,0.08)") : QStringLiteral("rgba(0,0,0,0.08)");
  const QString pressed =
      aTheme.Dark ? QStringLiteral("rgba(255,255,255,0.12)") : QStringLiteral("rgba(0,0,0,0.10)");
  setStyleSheet(QStringLiteral(R"(
    #LogPage, #LogToolPanel, #SendPanel { background: %1; }
    #LogSeparator { background: %5; }
    #InListView { background: %2; border: none; }
    QLabel { color: %3; background: transparent; }
    QToolButton { color: %3; border: none; border-radius: 4px; padding: 3px 7px; background: transparent; }
    QToolButton:hover { background: %6; }
    QToolButton:checked { color: %4; font-weight: bold; background: %7; }
    #btn_Send { background: %4; color: white; font-weight: bold; padding: 5px 14px; }
    #btn_Send:hover { background: %8; }
    #SendMemo { background: %9; color: %3; border: 1px solid %5; border-radius: 3px; padding: 2px; }
    #SendMemo:focus { border-color: %4; }
    QSplitter::handle { background: %1; }
    QSplitter::handle:hover { background: %5; }
    QScrollBar:vertical { background: transparent; width: 8px; margin: 0; }
    QScrollBar::handle:vertical { background: %5; border-radius: 4px; min-height: 24px; }
    QScrollBar::add-line, QScrollBar::sub-line { height: 0; width: 0; }
    QScrollBar::add-page, QScrollBar::sub-page { background: none; }
  )")
                    .arg(aTheme.Panel.name(), listBack.name(), aTheme.Text.name(), aTheme.Accent.name(),
                         aTheme.Muted.name(), hover, pressed, aTheme.Accent.lighter(115).name(),
                         memoBack.name()));
  FInspector->SetTheme(aTheme);
  FModel->SetTextColor(aTheme.Text);
  FList->SetSelectionBackground(aTheme.Dark ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 18));
  LoadIcons();
}

void TLogPage::SetSendPanelHeight(int aHeight) {
  FSendPanelHeight = qBound(kSendPanelMin, aHeight, kSendPanelMax);
  FRegistry.Write(QString::fromLatin1(kFormsKey), QString::fromLatin1(kSendPanelHeightValue),
                  FSendPanelHeight);
  ApplySendPanelHeight();
}

void TLogPage::ApplySendPanelHeight() {
  const QList<int> sizes = FSplitter->sizes();
  int total = sizes.value(0) + sizes.value(1);
  // Before the first layout the splitter has no height yet; the list takes whatever is left later.
  if (total <= FSendPanelHeight)
    total = FSendPanelHeight + 1000;
  FSplitter->setSizes({total - FSendPanelHeight, FSendPanelHeight});
}

void TLogPage::OnSplitterMoved() {
  const int height = qBound(kSendPanelMin, FSplitter->sizes().value(1), kSendPanelMax);
  if (height == FSendPanelHeight)
    return;
  FSendPanelHeight = height;
  FRegistry.Write(QString::fromLatin1(kFormsKey), QString::fromLatin1(kSendPanelHeightValue), height);
}

// ---- packet inspector ----

void TLogPage::SetInspectorVisible(bool aVisible) {
  FInspectorVisible = aVisible;
  FInspectorButton->setChecked(aVisible);
  FRegistry.Write(QString::fromLatin1(kFormsKey), QString::fromLatin1(kInspectorVisibleValue), aVisible);
  FInspector->setVisible(aVisible);
  if (aVisible) {
    ApplyInspectorWidth();
    InspectRow(FModel->SelectedRow());
  }
}

void TLogPage::SetInspectorWidth(int aWidth) {
  FInspectorWidth = qBound(kInspectorMin, aWidth, kInspectorMax);
  FRegistry.Write(QString::fromLatin1(kFormsKey), QString::fromLatin1(kInspectorWidthValue), FInspectorWidth);
  ApplyInspectorWidth();
}

void TLogPage::ApplyInspectorWidth() {
  const QList<int> sizes = FInspectorSplitter->sizes();
  int total = sizes.value(0) + sizes.value(1);
  if (total <= FInspectorWidth)
    total = FInspectorWidth + 1000;
  FInspectorSplitter->setSizes({total - FInspectorWidth, FInspectorWidth});
}

void TLogPage::OnInspectorSplitterMoved() {
  const int width = qBound(kInspectorMin, FInspectorSplitter->sizes().value(1), kInspectorMax);
  if (width == FInspectorWidth)
    return;
  FInspectorWidth = width;
  FRegistry.Write(QString::fromLatin1(kFormsKey), QString::fromLatin1(kInspectorWidthValue), width);
}

TPacketInput TLogPage::PacketInput(int aRow) const {
  TPacketInput input;
  const TPacket* entry = FModel->Entry(aRow);
  if (!entry)
    return input;
  const QByteArrayView bytes = FModel->EntryBytes(*entry);
  input.Bytes = bytes.toByteArray();
  input.Sent = entry->State == psSent;
  switch (FCore.Version()) {
  case vtVersion1:
    input.Generation = 1;
    break;
  case vtVersion2:
    input.Generation = 2;
    break;
  case vtVersion3:
    input.Generation = 3;
    break;
  default:
    input.Generation = 0;
    break;
  }
  if (input.Generation == 3 && !input.Sent) {
    for (int row = aRow - 1; row >= 0 && row >= aRow - kRequestLookBack; --row) {
      const TPacket* before = FModel->Entry(row);
      if (!before || before->State == psOpen)
        continue;
      if (before->State == psSent)
        input.Request = FModel->EntryBytes(*before).toByteArray();
      break;
    }
  }
  return input;
}

void TLogPage::InspectRow(int aRow) {
  const TPacketInput input = PacketInput(aRow);
  if (input.Bytes.isEmpty()) {
    FInspector->ShowNothing();
    return;
  }
  TPacketDescriber describer(FDictionary, &TItemClass::ValueText);
  describer.SetMonitorCaption(FMonitorCaption);
  if (const TCommandTable* table = FCommandSource ? FCommandSource() : nullptr) {
    const TPortInfo* port = Port();
    describer.SetCommands(table->Rows(), port ? CommandDeviceType(*port) : -1);
  }
  FInspector->ShowDescription(describer.Describe(input));
}

bool TLogPage::eventFilter(QObject* aWatched, QEvent* aEvent) {
  // A click on the list holds it still, so that the row clicked stays under the pointer.
  // The tool row is watched while the page is still being built.
  if (FList && aWatched == FList->viewport() && aEvent->type() == QEvent::MouseButtonPress)
    SetFollow(false);
  if (aWatched == FToolRow && aEvent->type() == QEvent::Resize)
    FitToolRow(false);
  return QWidget::eventFilter(aWatched, aEvent);
}
