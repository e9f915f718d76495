#include "platform/gui/GuiThread.h"

#include <utility>

#include <wx/app.h>

#include "platform/gui/Dialog.h"

void PostToDialog(CDialog& dialog, std::function<void()> work) {
  if (wxTheApp == nullptr) {
    return;  // no event loop to run it: nothing would show it anyway
  }
  // CallAfter queues an event, which the toolkit allows from any thread.
  wxTheApp->CallAfter([target = &dialog, work = std::move(work)] {
    if (CDialog::IsLive(target)) {
      target->RunGuarded(work);
    }
  });
}
