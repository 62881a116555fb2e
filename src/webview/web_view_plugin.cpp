// The welcome page's web view over QtWebEngine, loaded by the window on the first navigation.

#include "ui/web_view_plugin.h"

#include <QObject>
#include <QWebEngineView>
#include <unistd.h>

class TWebEngineViewPlugin : public QObject, public IWebViewPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID VELMORA_WEB_VIEW_PLUGIN_IID)
  Q_INTERFACES(IWebViewPlugin)

public:
  QWidget* CreateView(QWidget* aParent, std::function<void(bool aOk)> aLoaded) override {
    // The engine's sandbox refuses to run as root; it must be told before it starts.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
      qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    auto* view = new QWebEngineView(aParent);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    connect(view, &QWebEngineView::loadFinished, view, std::move(aLoaded));
    return view;
  }
  void Load(QWidget* aView, const QUrl& aUrl) override { static_cast<QWebEngineView*>(aView)->load(aUrl); }
};

#include "web_view_plugin.moc"
