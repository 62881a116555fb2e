#pragma once

#include <QString>
#include <QStringList>

class TRegistry;

// What a settings field was given before, per user and per group ("InputHistory\<group>"): the
// newest first, at most ten, no repeats. Fields of different device types with the same caption
// share a group.
class TInputHistory {
public:
  static constexpr int kMaxEntries = 10;

  // The group of a caption key: "setting_view.sleep_timer-305" gives "sleep_timer",
  // "parameter.x.y" gives "x"; any other key none.
  static QString ExtractHistoryKey(const QString& aCaptionKey);
  // The group a field keeps its history in: its caption's group, else its setting number when it
  // is 1 or more, else none.
  static QString GroupOf(const QString& aHistoryKey, int aSetting);

  TInputHistory(TRegistry& aRegistry, const QString& aGroup) : FRegistry(aRegistry), FGroup(aGroup) {}

  QString Group() const { return FGroup; }
  const QStringList& Values() const { return FValues; }
  void Load();
  // Puts aText first (moving it when present) and writes the list back.
  void Add(const QString& aText);
  void Delete(int aIndex);
  // The entries containing aFilter (trimmed, any case); all of them for an empty filter.
  QStringList Matching(const QString& aFilter) const;

private:
  void Save();

  TRegistry& FRegistry;
  QString FGroup;
  QStringList FValues;
};
