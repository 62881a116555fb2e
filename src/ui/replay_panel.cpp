#include "ui/replay_panel.h"

#include "style/icons.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>

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
  FSpeed = new QSpinBox(this);
  FSpeed->setObjectName(QStringLiteral("VirtualSpeed"));
  FSpeed->setRange(1, 20);
  FSpeed->setValue(1);
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
  connect(FSpeed, &QSpinBox::valueChanged, this, &TReplayPanel::SpeedChanged);
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

int TReplayPanel::Speed() const {
  return FSpeed->value();
}

void TReplayPanel::SetSpeed(int aSpeed) {
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
