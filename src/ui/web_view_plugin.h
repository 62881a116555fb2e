#pragma once

#include <QUrl>
#include <QtPlugin>
#include <functional>

class QWidget;

// The web engine behind the welcome page lives in a plugin: linked into the program it would be
// loaded, with everything it pulls in, at every start, although the page needs it only once a
// device information site answers.
class IWebViewPlugin {
public:
  virtual ~IWebViewPlugin() = default;
  // A view inside aParent; aLoaded(ok) follows every load it is asked for.
  virtual QWidget* CreateView(QWidget* aParent, std::function<void(bool aOk)> aLoaded) = 0;
  virtual void Load(QWidget* aView, const QUrl& aUrl) = 0;
};

#define VELMORA_WEB_VIEW_PLUGIN_IID "org.velmora.WebViewPlugin/1"
Q_DECLARE_INTERFACE(IWebViewPlugin, VELMORA_WEB_VIEW_PLUGIN_IID)

// The plugin's file name without its suffix, and the folder it is installed in beside the
// program's own (bin/../lib/velmora).
inline constexpr char kWebViewPluginName[] = "velmora_webview";
inline constexpr char kWebViewPluginFolder[] = "../lib/velmora";
