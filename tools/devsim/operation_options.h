#pragma once

#include <QString>

class QCommandLineParser;
struct TTrackerOperationOptions;

// Command-line switches of the tracker's long operations: storage geometry and contents, block
// faults, the firmware exchange and the loader disk.
void AddOperationOptions(QCommandLineParser& aParser);
// False with a reason when a value is out of range or a file cannot be read.
bool ReadOperationOptions(const QCommandLineParser& aParser, TTrackerOperationOptions* aOptions, QString* aError);
