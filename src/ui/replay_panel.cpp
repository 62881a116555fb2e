#include "ui/replay_panel.h"

#include "style/icons.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QToolButton>
#include <cmath>

namespace {

// The speed field. Its arrows step through the whole speeds 1 to 20; typed in, any number above 0
// in the locale's format is a speed (0,5 plays at half the recorded pace).
class TSpeedBox : public QDoubleSpinBox {
public:
  static constexpr int kDecimals = 3;
  static constexpr double kArrowMin = 1;
  static constexpr double kArrowMax = 20;

  explicit TSpeedBox(QWidget* aParent) : QDoubleSpinBox(aParent) {
    setDecimals(kDecimals);
    // Below the smallest step of the field, "0" and "0,000" stay unfinished input, not a speed.
    setRange(std::pow(10.0, -kDecimals), 1000);
    setValue(1);
  }

  QString textFromValue(double aValue) const override {
    QLocale l = locale();
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    return l.toString(aValue, 'f', QLocale::FloatingPointShortest);
  }

  void stepBy(int aSteps) override { setValue(qBound(kArrowMin, std::floor(value()) + aSteps, kArrowMax)); }

protected:
  StepEnabled stepEnabled() const override {
    StepEnabled enabled = StepNone;
    if (value() < kArrowMax)
      enabled |= StepUpEnabled;
    if (value() > kArrowMin)
      enabled |= StepDownEnabled;
    return enabled;
  }
};

} // namespace

TReplayPanel::TReplayPanel(QWidget* aParent) : QWidget(aParent) {
  setObjectName(QStringLiteral("VirtualLogPanel"));
  setAttribute(Qt::WA_StyledBackground);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(12, 4, 8, 4);
  layout->setSpacing(6);
  FOpenClose = Button("VirtualOpenButton");
  FOpenClose->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  FPlay = Button("VirtualPlayButton");
  FPause = Button("VirtualPauseButton");
  FStop = Button("VirtualStopButton");
  FStepBack = Button("VirtualStepBackButton");
  FStep = Button("VirtualStepButton");
  FSpeedLabel = new QLabel(this);
  FSpeed = new TSpeedBox(this);
  FSpeed->setObjectName(QStringLiteral("VirtualSpeed"));
  FLoop = new QCheckBox(this);
  FLoop->setObjectName(QStringLiteral("VirtualLoop"));
  FClose = Button("VirtualCloseButton");
  layout->addWidget(FOpenClose);
  layout->addSpacing(12);
  for (QToolButton* b : {FStepBack, FPlay, FPause, FStop, FStep})
    layout->addWidget(b);
  layout->addSpacing(12);
  layout->addWidget(FSpeedLabel);
  layout->addWidget(FSpeed);
  layout->addSpacing(12);
  layout->addWidget(FLoop);
  layout->addStretch(1);
  layout->addWidget(FClose);

  connect(FOpenClose, &QToolButton::clicked, this, &TReplayPanel::OpenCloseClicked);
  connect(FPlay, &QToolButton::clicked, this, &TReplayPanel::PlayClicked);
  connect(FPause, &QToolButton::clicked, this, &TReplayPanel::PauseClicked);
  connect(FStop, &QToolButton::clicked, this, &TReplayPanel::StopClicked);
  connect(FStep, &QToolButton::clicked, this, &TReplayPanel::StepClicked);
  connect(FStepBack, &QToolButton::clicked, this, &TReplayPanel::StepBackClicked);
  connect(FClose, &QToolButton::clicked, this, &TReplayPanel::CloseClicked);
  connect(FSpeed, &QDoubleSpinBox::valueChanged, this, &TReplayPanel::SpeedChanged);
  connect(FLoop, &QCheckBox::toggled, this, &TReplayPanel::LoopChanged);
  Retranslate(0);
}

QToolButton* TReplayPanel::Button(const char* aName) {
  auto* b = new QToolButton(this);
  b->setObjectName(QString::fromLatin1(aName));
  b->setAutoRaise(true);
  b->setIconSize(QSize(16, 16));
  return b;
}

void TReplayPanel::SetOpen(bool aOpen) {
  FOpen = aOpen;
  Retranslate(FLanguage);
}

double TReplayPanel::Speed() const {
  return FSpeed->value();
}

void TReplayPanel::SetSpeed(double aSpeed) {
  FSpeed->setValue(aSpeed);
}

bool TReplayPanel::Loop() const {
  return FLoop->isChecked();
}

void TReplayPanel::SetIcons(const TIcons& aIcons) {
  FOpenClose->setIcon(aIcons.Icon(QStringLiteral("E_OPEN"), 16));
  FPlay->setIcon(aIcons.Icon(QStringLiteral("I_PLAY"), 16));
  FPause->setIcon(aIcons.Icon(QStringLiteral("I_PAUSE"), 16));
  FStop->setIcon(aIcons.Icon(QStringLiteral("I_STOP"), 16));
  FStep->setIcon(aIcons.Icon(QStringLiteral("I_STEP_F"), 16));
  FStepBack->setIcon(aIcons.Icon(QStringLiteral("I_STEP_B"), 16));
  FClose->setIcon(aIcons.Icon(QStringLiteral("I_NO"), 16));
}

void TReplayPanel::Retranslate(int aLanguage) {
  FLanguage = aLanguage;
  const bool ru = aLanguage != 1;
  // The panel's own words; the messages it causes come from the dictionary.
  if (FOpen)
    FOpenClose->setText(ru ? QString::fromUtf8("Закрыть\nлог") : QStringLiteral("Close\nlog"));
  else
    FOpenClose->setText(ru ? QString::fromUtf8("Открыть\nлог") : QStringLiteral("Open\nlog"));
  FSpeedLabel->setText(ru ? QString::fromUtf8("Скорость") : QStringLiteral("Speed"));
  FLoop->setText(ru ? QString::fromUtf8("Циклически") : QStringLiteral("Loop"));
}
