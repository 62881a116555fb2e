#pragma once

#include <QString>

class QWidget;

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

// The platform's own dialogs.
class TFileDialogs : public IOperationDialogs {
public:
  QString OpenFile(QWidget* aParent, const QString& aFilter) override;
  QString SaveFile(QWidget* aParent, const QString& aProposedName, const QString& aDefaultSuffix,
                   const QString& aFilter) override;
  QString Folder(QWidget* aParent, const QString& aTitle) override;
};
