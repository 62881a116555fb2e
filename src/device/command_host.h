#pragma once

#include <QString>

class TPortInfo;

// What the commands need from the window. The window implements it; tests implement it with a
// recorder. Every hook is required: a command that silently does nothing is worse than one that
// does not compile.
class ICommandHost {
public:
  virtual ~ICommandHost() = default;

  // The selected port, or none.
  virtual TPortInfo* Q() = 0;
  // Hint kinds: 0 error, 1 success, 2 notice, 3 information.
  virtual void MainHintShow(int aKind, const QString& aText) = 0;
  // The command table was filled again: the menu must be rebuilt from it.
  virtual void CommandsUpdate() = 0;
  // A row starts a long operation (memory or file reading, firmware, factory flows) on the port.
  virtual void CommandsStartOperation(TPortInfo& aPort, int aOperation) = 0;
  // aCommand (as the technician knows it) went to the device: a reply recognised as its answer
  // is shown naming it.
  virtual void CommandsAwaitReply(const QString& aCommand) = 0;
};
