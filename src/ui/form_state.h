#pragma once

#include <QRect>
#include <QString>

class TRegistry;

// The window state and options kept between runs under "Forms".
struct TFormState {
  int Width = 800;
  int Height = 600;
  int Left = -1; // -1: centre on the screen
  int Top = -1;
  int Style = 1;
  int Language = 0;
  bool AdvanceCAN = false;
  bool NoSwitchCOMAuto = false;
  bool AutoPrint = false;
  bool PrintVisible = false;
  int SendPanelHeight = 60;
  QString Param0;
  bool EmulateUpd = false;
  // No stored state was found.
  bool FirstRun = false;

  // Reads what exists; a position off the virtual screen is centred in that direction, a language
  // other than 0 or 1 keeps the current one.
  void Load(const TRegistry& aRegistry, const QRect& aVirtualScreen);
  // Size and position only when the window is not maximized.
  void Save(TRegistry& aRegistry, bool aMaximized) const;
  // Deletes "Forms" and "InputHistory", then writes the defaults centred on the screen.
  void Reset(TRegistry& aRegistry, const QRect& aScreen);
};

inline constexpr char kFormsKey[] = "Forms";
inline constexpr char kInputHistoryKey[] = "InputHistory";
