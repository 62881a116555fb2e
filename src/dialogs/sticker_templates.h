#pragma once

#include <QString>
#include <QStringList>

class TRegistry;

// Named sticker layouts in the per-user store (key "StickerPrinter"): the list of names, one
// settings text per name, the last chosen name and the state of the last closed dialog.
class TStickerTemplates {
public:
  // A template's settings text is 82 short fields, a few KB at most: anything far larger is not
  // one, and would burden the store that every start reads.
  static constexpr qsizetype kMaxTemplateChars = 64 * 1024;
  // A template file of many templates; larger files are not read at all.
  static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

  explicit TStickerTemplates(TRegistry& aRegistry);

  // One rule for every name that enters the store (Save and Import): trimmed, not empty, and
  // none of "=", ";", "/", "\" or control characters, which would break the list, the file lines
  // or the store's key paths. Returns the trimmed name, or an empty text when it is refused.
  static QString ValidName(const QString& aName);

  QStringList Names() const;
  bool Contains(const QString& aName) const { return Names().contains(aName); }
  bool HasText(const QString& aName) const;
  QString Text(const QString& aName) const;
  // Stores the text; a new name joins the end of the list.
  void Save(const QString& aName, const QString& aText);
  void Remove(const QString& aName);

  QString LastTemplate() const;
  void SetLastTemplate(const QString& aName);
  void ClearLastTemplate();
  QString Current() const;
  void SetCurrent(const QString& aText);
  // Forgets every template and the last state.
  void Reset();

  // The lines of a template file: name=text for every listed template that has a text.
  QString ExportText() const;
  // Stores every line "name=text" whose name passes the rule and whose text is not above
  // kMaxTemplateChars; returns how many were stored and counts the lines that were skipped.
  int Import(const QString& aFileText, int* aSkipped = nullptr);

private:
  void WriteNames(const QStringList& aNames);
  TRegistry& FRegistry;
};

// Template and list files: written as UTF-8 through a temporary file; read as UTF-8, or as
// Windows-1251 when the bytes are not UTF-8 (files written on Windows by earlier tools). A file
// above aMaxBytes (when not negative) is not read: false with aTooLarge set.
bool WriteTemplateFile(const QString& aPath, const QString& aText, QString* aError);
bool ReadTextFile(const QString& aPath, QString* aText, QString* aError, qint64 aMaxBytes = -1,
                  bool* aTooLarge = nullptr);
