#pragma once

#include <span>

// One of the program's icons: its base name, the state prefixes it is drawn in, and the Breeze files
// it comes from. Breeze draws its monochrome action icons for a 16 px and a 22 px grid; the paths
// are relative to the theme's folder and double as the icons' resource paths under IconResourceRoot.
// src/style/icons.cmake reads the quoted .svg paths of the table to know which files to compile in, so
// every path in icon_names.cpp has to stay a plain string literal.
struct TIconSource {
  const char* Base;     // "WELLCOME", "STEP_F", ...
  const char* Prefixes; // state letters: "ED" means E_<Base> and D_<Base> exist
  const char* File16;   // nullptr when the theme has no 16 px drawing of it
  const char* File22;   // nullptr when the theme has no 22 px drawing of it
};

inline constexpr const char* IconResourceRoot = ":/velmora/icons/";

std::span<const TIconSource> IconSources();
