#pragma once

#include <QDateTime>

// Local date-time as whole days since 30 December 1899 plus the fraction of the day: the stamp
// kept in every index entry and written to log files.
using TDateTime = double;

TDateTime ToTDateTime(const QDateTime& aLocal);
QDateTime FromTDateTime(TDateTime aValue);
