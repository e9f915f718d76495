// corvane: the desktop program. The application object theApp does the work.
#include "platform/core/AtomicOutput.h"
#include "platform/gui/WinApp.h"

int main(int argc, char** argv) {
  // Past the file size limit a write fails with its reason instead of ending the program.
  IgnoreFileSizeSignal();
  return AfxWinMain(argc, argv);
}
