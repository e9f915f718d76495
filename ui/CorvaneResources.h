// The main window's resources: dialog template 102 with its initialisation data, menu 131,
// string table, bitmaps 915 and 132 and icon group 128.
#pragma once

// Adds the window's resources to the chain; calling it again has no effect.
void RegisterCorvaneResources();
