#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QWidget;
struct TMonitorContext;

// Builds a layout document into the page panels it names. Element and attribute names compare
// without regard to case; unknown elements are skipped with their children; panels with other
// names are skipped. Returns false with a message for a malformed document (what was built up to
// the error stays).
bool BuildMonitorLayout(TMonitorContext& aContext, const QByteArray& aDocument,
                        const std::function<QWidget*(const QString& aPanelName)>& aPanelByName,
                        QString* aError);

// Destroys every element of a page panel, last first.
void ClearPagePanel(QWidget* aPanel);
