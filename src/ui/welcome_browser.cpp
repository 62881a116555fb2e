#include "ui/welcome_browser.h"

#include <QTimer>
#include <QVBoxLayout>
#ifdef VELMORA_HAVE_WEBENGINE
#include <QWebEngineView>
#include <unistd.h>
#endif

TWelcomeBrowser::TWelcomeBrowser(QWidget* aParent) : QWidget(aParent) {
  setObjectName(QStringLiteral("WellcomeWebBrowser"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

void TWelcomeBrowser::Navigate(const QUrl& aUrl) {
  FUrl = aUrl;
  FLoading = true;
#ifdef VELMORA_HAVE_WEBENGINE
  if (!FView) {
    // The engine's sandbox refuses to run as root; it must be told before it starts.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
      qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    auto* view = new QWebEngineView(this);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    layout()->addWidget(view);
    connect(view, &QWebEngineView::loadFinished, this, [this](bool aOk) {
      FLoading = false;
      Q_EMIT Loaded(FUrl, aOk);
    });
    FView = view;
  }
  static_cast<QWebEngineView*>(FView)->load(aUrl);
#else
  QTimer::singleShot(0, this, [this] {
    FLoading = false;
    Q_EMIT Loaded(FUrl, false);
  });
#endif
}
