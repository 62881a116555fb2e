#pragma once

#include "core/exchange_core.h"
#include "core/exchange_host.h"

#include <QMainWindow>

// The main window. It owns the exchange state for the run and answers the core's hooks.
class TMF : public QMainWindow, public IExchangeHost {
  Q_OBJECT
public:
  explicit TMF(QWidget* aParent = nullptr);
  ~TMF() override;

  TExchangeCore& Core() { return FCore; }

private:
  TExchangeCore FCore;
};
