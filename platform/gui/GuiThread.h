// Work handed to the toolkit's thread from another one (an index made on a thread of its
// own tells the window it is done).
#pragma once

#include <functional>

class CDialog;

// Runs work on the toolkit's thread in a later turn of its event loop; callable from any
// thread. Work for a dialog that has gone by then (CDialog::IsLive) is dropped.
void PostToDialog(CDialog& dialog, std::function<void()> work);
