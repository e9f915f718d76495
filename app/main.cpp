// corvane: the desktop program. The application object theApp does the work.
#include "platform/gui/WinApp.h"

int main(int argc, char** argv) {
  return AfxWinMain(argc, argv);
}
