#pragma once

// Whether the desktop asks applications for a dark appearance. Asks the freedesktop settings
// portal ("org.freedesktop.appearance" / "color-scheme", 1 = prefer dark) over the session bus;
// without a portal, a GTK_THEME ending in ":dark" or "-dark" counts as dark. False otherwise.
bool DarkModeIsEnabled();
