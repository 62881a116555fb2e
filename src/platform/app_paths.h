#pragma once

#include <QString>

// The per-user application data folder ("Quillbay"): under APPDATA when that is set (Windows, and
// tests that isolate per-user state), else under the XDG data home. Created when missing.
QString AppDataFolder();
