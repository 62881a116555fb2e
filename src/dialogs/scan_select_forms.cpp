#include "dialogs/scan_select_forms.h"

#include "dialogs/fit_columns.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonStep = 90;

} // namespace

TScanSelectForm::TScanSelectForm(TScanPicker* aPicker, const TPickerServices& aServices,
                                 const TLayout& aLayout, QWidget* aParent)
    : QDialog(aParent), FPicker(aPicker), FTranslate(aServices.Translate) {
  FPicker->setParent(this);
  const int w = aLayout.Size.width();
  const int h = aLayout.Size.height();
  setFixedSize(aLayout.Size);
  setWindowTitle(FTranslate(aLayout.TitleKey));

  lvDevices = new QTableView(this);
  lvDevices->setObjectName(QStringLiteral("lvDevices"));
  lvDevices->setGeometry(10, 10, w - 40, h - 100);
  QFont font = lvDevices->font();
  font.setPointSize(10);
  lvDevices->setFont(font);
  lvDevices->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvDevices->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvDevices->setSelectionMode(QAbstractItemView::SingleSelection);
  lvDevices->setShowGrid(true);
  lvDevices->setWordWrap(false);
  lvDevices->setTabKeyNavigation(false);
  lvDevices->verticalHeader()->hide();
  lvDevices->verticalHeader()->setDefaultSectionSize(lvDevices->fontMetrics().height() + 6);
  lvDevices->horizontalHeader()->setSectionsClickable(true);
  lvDevices->horizontalHeader()->setHighlightSections(false);
  lvDevices->setModel(FPicker);
  QStringList headers;
  for (const QString& key : aLayout.HeaderKeys)
    headers << FTranslate(key);
  FPicker->SetHeaders(headers);
  FitColumnsToContents(lvDevices, lvDevices->horizontalHeader());

  btnScan = new QPushButton(this);
  btnScan->setObjectName(QStringLiteral("btnScan"));
  btnScan->setGeometry(w - 270, h - 40, kButtonWidth, kButtonHeight);
  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setGeometry(w - 270 + kButtonStep, h - 40, kButtonWidth, kButtonHeight);
  btnOK->setDefault(true);
  btnCancel = new QPushButton(FTranslate(QStringLiteral("pick_cancel")), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(w - 270 + 2 * kButtonStep, h - 40, kButtonWidth, kButtonHeight);
  for (QPushButton* b : {btnScan, btnOK, btnCancel})
    b->setAutoDefault(false);
  btnOK->setDefault(true);

  FStatusLabel = new QLabel(this);
  FStatusLabel->setObjectName(QStringLiteral("FStatusLabel"));
  FStatusLabel->move(20, h - 80);
  QFont bold = FStatusLabel->font();
  bold.setBold(true);
  bold.setItalic(true);
  FStatusLabel->setFont(bold);
  FStatusLabel->setForegroundRole(QPalette::WindowText);

  connect(btnScan, &QPushButton::clicked, FPicker, &TScanPicker::ToggleScan);
  connect(btnOK, &QPushButton::clicked, this, &TScanSelectForm::OK);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(lvDevices, &QAbstractItemView::doubleClicked, this, &TScanSelectForm::DoubleClicked);
  connect(lvDevices->horizontalHeader(), &QHeaderView::sectionClicked, FPicker, &TScanPicker::HeaderClicked);
  connect(lvDevices->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    const QModelIndexList rows = lvDevices->selectionModel()->selectedRows();
    FPicker->SetSelectedRow(rows.isEmpty() ? -1 : rows.first().row());
    UpdateState();
  });
  connect(FPicker, &TScanPicker::SelectRow, this, &TScanSelectForm::SelectRow);
  connect(FPicker, &TScanPicker::StateChanged, this, &TScanSelectForm::UpdateState);
  // However the dialog ends, the tracker stops reporting.
  connect(this, &QDialog::finished, FPicker, &TScanPicker::Close);
  UpdateState();
}

void TScanSelectForm::showEvent(QShowEvent* aEvent) {
  QDialog::showEvent(aEvent);
  if (FShown)
    return;
  FShown = true;
  FPicker->Show();
  lvDevices->setFocus();
}

void TScanSelectForm::UpdateState() {
  btnScan->setText(
      FTranslate(FPicker->ScanActive() ? QStringLiteral("pick_stop") : QStringLiteral("pick_start")));
  const QString key = PickerStatusKey(FPicker->Status());
  QString text = key.isEmpty() ? QString() : FTranslate(key);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  FStatusLabel->setText(text);
  FStatusLabel->adjustSize();
  const Qt::SortOrder order = FPicker->SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder;
  lvDevices->horizontalHeader()->setSortIndicatorShown(true);
  lvDevices->horizontalHeader()->setSortIndicator(FPicker->SortColumn(), order);
  // Without a chosen row OK would empty the setting: it waits for one.
  btnOK->setEnabled(FPicker->SelectedRow() >= 0);
}

void TScanSelectForm::SelectRow(int aRow) {
  UpdateState();
  if (aRow < 0) {
    lvDevices->clearSelection();
    return;
  }
  lvDevices->selectRow(aRow);
  lvDevices->scrollTo(FPicker->index(aRow, 0), QAbstractItemView::EnsureVisible);
}

void TScanSelectForm::OK() {
  FSelected = FPicker->Confirm();
  if (!FSelected.isEmpty())
    accept();
}

void TScanSelectForm::DoubleClicked() {
  FSelected = FPicker->Confirm();
  if (!FSelected.isEmpty())
    accept();
}

TBLEDeviceSelectForm::TBLEDeviceSelectForm(TBLEDeviceList& aList, std::unique_ptr<IBLEScanner> aScanner,
                                           const TPickerServices& aServices, QWidget* aParent)
    : TScanSelectForm(
          new TBLEPicker(aList, *aServices.Clock, aServices.Send, std::move(aScanner), aServices.Translate),
          aServices,
          TLayout{QSize(730, 450),
                  QStringLiteral("pick_ble_title"),
                  {QStringLiteral("MAC"), QStringLiteral("pick_col_name"), QStringLiteral("pick_col_type"),
                   QStringLiteral("pick_col_version"), QStringLiteral("pick_col_temp"),
                   QStringLiteral("pick_col_params"), QStringLiteral("pick_col_voltage"),
                   QStringLiteral("RSSI")}},
          aParent) {
  setObjectName(QStringLiteral("BLEDeviceSelectForm"));
}

TWiFiSelectForm::TWiFiSelectForm(TWiFiList& aList, std::unique_ptr<IWiFiScanner> aScanner,
                                 const TPickerServices& aServices, QWidget* aParent)
    : TScanSelectForm(new TWiFiPicker(aList, *aServices.Clock, aServices.Send, std::move(aScanner),
                                      aServices.Translate(QStringLiteral("pick_hidden_network"))),
                      aServices,
                      TLayout{QSize(600, 450),
                              QStringLiteral("pick_wifi_title"),
                              {QStringLiteral("MAC"), QStringLiteral("SSID"), QStringLiteral("RSSI")}},
                      aParent) {
  setObjectName(QStringLiteral("WiFiSelectForm"));
}

TLBSSelectForm::TLBSSelectForm(TLBSList& aList, const TPickerServices& aServices, QWidget* aParent)
    : TScanSelectForm(new TLBSPicker(aList, *aServices.Clock, aServices.Send), aServices,
                      TLayout{QSize(500, 400),
                              QStringLiteral("pick_lbs_title"),
                              {QStringLiteral("MCC"), QStringLiteral("MNC"), QStringLiteral("LAC"),
                               QStringLiteral("CID"), QStringLiteral("RSSI")}},
                      aParent) {
  setObjectName(QStringLiteral("LBSSelectForm"));
}

TScanSelectForm* OpenScanSelect(TScanSelectForm* aForm, std::function<void(const QString&)> aChosen) {
  aForm->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(aForm, &QDialog::accepted, aForm, [aForm, chosen = std::move(aChosen)] {
    if (chosen)
      chosen(aForm->Selected());
  });
  aForm->setWindowModality(Qt::WindowModal);
  aForm->open();
  return aForm;
}
