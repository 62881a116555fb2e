#include "dialogs/car_select_form.h"

#include "platform/app_paths.h"
#include "dialogs/fit_columns.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

TCarSelectFrm::TCarSelectFrm(QWidget* aParent) : QDialog(aParent) {
  setObjectName(QStringLiteral("CarSelectFrm"));
  setWindowTitle(QStringLiteral("Выберите авто"));
  resize(760, 640);
  auto* root = new QVBoxLayout(this);

  auto* choice = new QGridLayout;
  const auto label = [this](const QString& aName, const QString& aText) {
    auto* l = new QLabel(aText, this);
    l->setObjectName(aName);
    return l;
  };
  cbBrand = new QComboBox(this);
  cbBrand->setObjectName(QStringLiteral("cbBrand"));
  cbModel = new QComboBox(this);
  cbModel->setObjectName(QStringLiteral("cbModel"));
  cbYear = new QComboBox(this);
  cbYear->setObjectName(QStringLiteral("cbYear"));
  choice->addWidget(label(QStringLiteral("lblBrand"), QStringLiteral("Марка")), 0, 0);
  choice->addWidget(label(QStringLiteral("lblModel"), QStringLiteral("Модель")), 0, 1);
  choice->addWidget(label(QStringLiteral("lblYear"), QStringLiteral("Год")), 0, 2);
  choice->addWidget(cbBrand, 1, 0);
  choice->addWidget(cbModel, 1, 1);
  choice->addWidget(cbYear, 1, 2);
  root->addLayout(choice);
  connect(cbBrand, &QComboBox::currentIndexChanged, this, &TCarSelectFrm::cbBrandChange);
  connect(cbModel, &QComboBox::currentIndexChanged, this, &TCarSelectFrm::cbModelChange);
  connect(cbYear, &QComboBox::currentIndexChanged, this, &TCarSelectFrm::cbYearChange);

  lvParams = new QTreeWidget(this);
  lvParams->setObjectName(QStringLiteral("lvParams"));
  lvParams->setRootIsDecorated(false);
  lvParams->setUniformRowHeights(true);
  root->addWidget(lvParams, 1);

  auto* notes = new QGridLayout;
  notes->addWidget(label(QStringLiteral("Label1"), QStringLiteral("Примечание:")), 0, 0);
  notes->addWidget(label(QStringLiteral("Label2"), QStringLiteral("Информация о подключении:")), 0, 1);
  mmoInfo = new QPlainTextEdit(this);
  mmoInfo->setObjectName(QStringLiteral("mmoInfo"));
  mmoInfo->setReadOnly(true);
  mmoCanInfo = new QPlainTextEdit(this);
  mmoCanInfo->setObjectName(QStringLiteral("mmoCanInfo"));
  mmoCanInfo->setReadOnly(true);
  for (QPlainTextEdit* e : {mmoInfo, mmoCanInfo})
    e->setFixedHeight(90);
  notes->addWidget(mmoInfo, 1, 0);
  notes->addWidget(mmoCanInfo, 1, 1);
  root->addLayout(notes);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  root->addLayout(buttons);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  // Confirming without a vehicle would write program 0 over the device's CAN program.
  btnOK->setEnabled(false);
  BuildColumns();
}

bool TCarSelectFrm::LoadCars(const QString& aFileName, QString* aError) {
  if (!FCars.Load(aFileName, aError))
    return false;
  FMaxCAN = 1;
  BuildColumns();
  const QSignalBlocker block(cbBrand);
  cbBrand->clear();
  cbBrand->addItems(FCars.Brands());
  cbBrand->setCurrentIndex(-1);
  cbModelChange();
  return true;
}

void TCarSelectFrm::SetDeviceVer(const QString& aValue) {
  FDeviceVer = aValue;
  FMaxCAN = FCars.CanColumns(aValue);
  BuildColumns();
  if (cbBrand->currentIndex() >= 0 && cbModel->currentIndex() >= 0 && cbYear->currentIndex() >= 0)
    cbYearChange();
}

void TCarSelectFrm::BuildColumns() {
  lvParams->clear();
  QStringList heads{QStringLiteral("Параметр")};
  for (int n = 1; n <= FMaxCAN; ++n)
    heads << QStringLiteral("CAN%1").arg(n);
  lvParams->setColumnCount(int(heads.size()));
  lvParams->setHeaderLabels(heads);
  // The parameter names take the room the CAN marks leave.
  FitColumnsToContents(lvParams, lvParams->header(), 0);
}

void TCarSelectFrm::ClearSelection() {
  lvParams->clear();
  mmoCanInfo->clear();
  mmoInfo->clear();
  FCurrentCar = -1;
  FSelectedProg = 0;
  btnOK->setEnabled(false);
}

void TCarSelectFrm::cbBrandChange() {
  {
    const QSignalBlocker blockModel(cbModel);
    const QSignalBlocker blockYear(cbYear);
    cbModel->clear();
    cbYear->clear();
    ClearSelection();
    if (cbBrand->currentIndex() >= 0)
      cbModel->addItems(FCars.Models(cbBrand->currentText()));
    cbModel->setCurrentIndex(-1);
  }
}

void TCarSelectFrm::cbModelChange() {
  const QSignalBlocker blockYear(cbYear);
  cbYear->clear();
  ClearSelection();
  if (cbBrand->currentIndex() >= 0 && cbModel->currentIndex() >= 0)
    cbYear->addItems(FCars.Years(cbBrand->currentText(), cbModel->currentText()));
  cbYear->setCurrentIndex(-1);
}

void TCarSelectFrm::cbYearChange() {
  ClearSelection();
  if (cbBrand->currentIndex() < 0 || cbModel->currentIndex() < 0 || cbYear->currentIndex() < 0)
    return;
  const int car = FCars.Find(cbBrand->currentText(), cbModel->currentText(), cbYear->currentText());
  if (car < 0)
    return;
  FCurrentCar = car;
  FSelectedProg = FCars.Prog(car);
  FillParams();
  mmoCanInfo->setPlainText(FCars.CanInfo(car));
  mmoInfo->setPlainText(FCars.Info(car));
  btnOK->setEnabled(true);
}

void TCarSelectFrm::FillParams() {
  lvParams->clear();
  const QString mark = QStringLiteral("✓");
  QList<QTreeWidgetItem*> rows;
  for (const TCarParameter& p : CarParameters()) {
    auto* row = new QTreeWidgetItem;
    row->setText(0, QString::fromUtf8(p.Caption));
    const int bus = FCars.MemberInt(FCurrentCar, QString::fromLatin1(p.Key));
    for (int n = 1; n <= FMaxCAN; ++n) {
      row->setText(n, bus == n ? mark : QString());
      row->setTextAlignment(n, Qt::AlignCenter);
    }
    rows << row;
  }
  lvParams->addTopLevelItems(rows);
}

QString TCarSelectFrm::CanInfoText() const {
  return mmoCanInfo->toPlainText();
}

QString TCarSelectFrm::InfoText() const {
  return mmoInfo->toPlainText();
}

TCarSelectFrm* ShowCarSelect(QWidget* aParent, const QString& aDeviceVer, std::function<void(int)> aChosen,
                             QString* aError) {
  auto* form = new TCarSelectFrm(aParent);
  form->setAttribute(Qt::WA_DeleteOnClose);
  if (!form->LoadCars(QDir(AppDataFolder()).filePath(TCarList::FileName()), aError)) {
    delete form;
    return nullptr;
  }
  form->SetDeviceVer(aDeviceVer);
  QObject::connect(form, &QDialog::accepted, form, [form, chosen = std::move(aChosen)] {
    if (chosen && form->CurrentCar() >= 0)
      chosen(form->SelectedProg());
  });
  form->setWindowModality(Qt::WindowModal);
  form->open();
  return form;
}
