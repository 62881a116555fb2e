#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Filters written "Name|patterns|Name|patterns" (patterns separated by ";") as the file dialog
// takes them: "Name (patterns)" each. A name that already shows its patterns keeps them once.
QStringList DialogFilters(const QString& aFilter);

// The file and folder dialogs of the device operations. The window asks through this seam, so
// tests and scripted runs answer without a modal dialog. An empty result means cancelled.
class IOperationDialogs {
public:
  virtual ~IOperationDialogs() = default;
  virtual QString OpenFile(QWidget* aParent, const QString& aFilter) = 0;
  virtual QString SaveFile(QWidget* aParent, const QString& aProposedName, const QString& aDefaultSuffix,
                           const QString& aFilter) = 0;
  virtual QString Folder(QWidget* aParent, const QString& aTitle) = 0;
};

// The platform's own dialogs, titled in the window's language by aTitle (a dictionary lookup).
class TFileDialogs : public IOperationDialogs {
public:
  explicit TFileDialogs(std::function<QString(const QString&)> aTitle) : FTitle(std::move(aTitle)) {}
  QString OpenFile(QWidget* aParent, const QString& aFilter) override;
  QString SaveFile(QWidget* aParent, const QString& aProposedName, const QString& aDefaultSuffix,
                   const QString& aFilter) override;
  QString Folder(QWidget* aParent, const QString& aTitle) override;

private:
  std::function<QString(const QString&)> FTitle;
};
