#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// How a program run with administrator rights ended.
struct TElevatedResult {
  bool Started = false; // false: it could not be started at all
  int ExitCode = -1;    // its exit status; -1 when it crashed or never ran
};

// Runs one program with administrator rights, asynchronously; aDone is called once, on the
// caller's thread, when it has ended or could not be started.
class IElevatedRunner {
public:
  virtual ~IElevatedRunner() = default;
  virtual void Run(const QString& aProgram, const QStringList& aArguments, const QString& aWorkingFolder,
                   std::function<void(TElevatedResult)> aDone) = 0;
};

// Through polkit's pkexec, which asks the user for a password in the desktop's own dialog. pkexec
// exits 126 when that dialog is dismissed and 127 when the user is not authorised.
class TPkexecRunner : public IElevatedRunner {
public:
  void Run(const QString& aProgram, const QStringList& aArguments, const QString& aWorkingFolder,
           std::function<void(TElevatedResult)> aDone) override;
};
