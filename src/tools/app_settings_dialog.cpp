#include "tools/app_settings_dialog.h"

#include "ui/tmf.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TAppSettingsDialog::TAppSettingsDialog(TMF& aWindow) : QDialog(&aWindow), FWindow(aWindow) {
  setObjectName(QStringLiteral("AppSettingsDialog"));
  setWindowTitle(FWindow.Translate(QStringLiteral("act_SoftSettings")));
  setWindowIcon(FWindow.Icons().Icon(QStringLiteral("I_PARAMS"), 24));
  auto* layout = new QVBoxLayout(this);

  auto* theme = new QGroupBox(this);
  theme->setObjectName(QStringLiteral("ThemeBox"));
  auto* themeLayout = new QHBoxLayout(theme);
  auto* themes = new QButtonGroup(this);
  const struct {
    const char* Key;
    int Mode;
  } modes[] = {{"act_FonDark", tmDark}, {"act_FonLight", tmLight}, {"act_FonSys", tmSystem}};
  for (const auto& m : modes) {
    auto* radio = new QRadioButton(FWindow.Translate(QString::fromLatin1(m.Key)), theme);
    radio->setObjectName(QString::fromLatin1(m.Key));
    radio->setChecked(FWindow.StyleMode() == m.Mode);
    themes->addButton(radio, m.Mode);
    themeLayout->addWidget(radio);
  }
  connect(themes, &QButtonGroup::idClicked, this, [this](int aMode) { FWindow.SetStyleMode(aMode); });
  layout->addWidget(theme);

  auto* language = new QGroupBox(this);
  auto* languageLayout = new QHBoxLayout(language);
  auto* languages = new QButtonGroup(this);
  const char* names[] = {"Русский", "English"};
  for (int i = 0; i < 2; ++i) {
    auto* radio = new QRadioButton(QString::fromUtf8(names[i]), language);
    radio->setObjectName(i == 0 ? QStringLiteral("ButtonRU") : QStringLiteral("ButtonEN"));
    radio->setChecked(FWindow.Language() == i);
    languages->addButton(radio, i);
    languageLayout->addWidget(radio);
  }
  connect(languages, &QButtonGroup::idClicked, this, [this](int aLanguage) {
    FWindow.ChooseLanguage(aLanguage);
    setWindowTitle(FWindow.Translate(QStringLiteral("act_SoftSettings")));
  });
  layout->addWidget(language);

  auto* close = new QPushButton(FWindow.Translate(QStringLiteral("act_Close")), this);
  close->setObjectName(QStringLiteral("CloseButton"));
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(close, 0, Qt::AlignRight);
}
