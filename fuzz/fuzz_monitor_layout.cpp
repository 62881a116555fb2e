// The monitor layout XML, built into page panels of real (never shown) widgets.

#include "fuzz_host.h"
#include "i18n/dictionary.h"
#include "monitor/monitor_builder.h"
#include "monitor/monitor_context.h"
#include "monitor/visual_index.h"
#include "style/theme.h"

#include <QWidget>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication(true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  static const TThemeColors theme = DarkTheme();
  static const TDictionary dictionary;
  static const TManualClock clock;
  QWidget root;
  QWidget* panels[5];
  for (QWidget*& panel : panels)
    panel = new QWidget(&root);
  TVisualIndex index(&root);
  TMonitorContext context;
  context.Theme = &theme;
  context.Dictionary = &dictionary;
  context.Clock = &clock;
  context.Index = &index;
  context.FitPanel = [](QWidget*) {};
  context.Hint = [](int, const QString&) {};
  QString error;
  (void)BuildMonitorLayout(
      context, FuzzBytes(aData, aSize),
      [&panels](const QString& aName) -> QWidget* {
        for (int i = 0; i < 5; ++i)
          if (aName == QStringLiteral("PanelS%1").arg(i + 1))
            return panels[i];
        return nullptr;
      },
      &error);
  // The window finds elements by ident right after a build.
  index.MarkDirty();
  (void)index.Find(QStringLiteral("_ModemIMEI"));
  for (QWidget* panel : panels)
    ClearPagePanel(panel);
  FuzzProcessEvents();
  return 0;
}
