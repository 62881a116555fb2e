#include "ui/welcome_browser.h"

#include "ui/web_view_plugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Loaded once, on the first navigation; null when the plugin is missing or broken (the page then
// keeps its own text).
IWebViewPlugin* WebViewPlugin() {
  static IWebViewPlugin* const plugin = []() -> IWebViewPlugin* {
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const QString& folder :
         {programDir.filePath(QLatin1String(kWebViewPluginFolder)), programDir.path()}) {
      QPluginLoader loader(QDir(folder).filePath(QLatin1String(kWebViewPluginName)));
      if (auto* found = qobject_cast<IWebViewPlugin*>(loader.instance()))
        return found;
    }
    return nullptr;
  }();
  return plugin;
}

} // namespace

TWelcomeBrowser::TWelcomeBrowser(QWidget* aParent) : QWidget(aParent) {
  setObjectName(QStringLiteral("WellcomeWebBrowser"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

void TWelcomeBrowser::Navigate(const QUrl& aUrl) {
  FUrl = aUrl;
  FLoading = true;
  IWebViewPlugin* plugin = WebViewPlugin();
  if (!plugin) {
    QTimer::singleShot(0, this, [this] {
      FLoading = false;
      Q_EMIT Loaded(FUrl, false);
    });
    return;
  }
  if (!FView) {
    FView = plugin->CreateView(this, [this](bool aOk) {
      FLoading = false;
      Q_EMIT Loaded(FUrl, aOk);
    });
    layout()->addWidget(FView);
  }
  plugin->Load(FView, aUrl);
}
