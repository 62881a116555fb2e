#pragma once

#include <QUrl>
#include <QWidget>

// The welcome page's embedded browser. The engine behind it costs a few hundred megabytes, so it
// is created on the first navigation, not with the window. Built without a web engine, every
// navigation fails and the page keeps its text.
class TWelcomeBrowser : public QWidget {
  Q_OBJECT
public:
  explicit TWelcomeBrowser(QWidget* aParent = nullptr);
  void Navigate(const QUrl& aUrl);
  bool EngineCreated() const { return FView != nullptr; }
  QUrl Url() const { return FUrl; }
  bool Loading() const { return FLoading; }

Q_SIGNALS:
  void Loaded(const QUrl& aUrl, bool aOk);

private:
  QWidget* FView = nullptr;
  QUrl FUrl;
  bool FLoading = false;
};
