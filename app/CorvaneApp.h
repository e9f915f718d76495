// CCorvaneApp: the converter's application. The whole run happens inside InitInstance:
// settings, dialog library, the main window run modally, shutdown; then the program ends.
#pragma once

#include "libs/dlgframe/SmApp.h"

class CCorvaneApp : public CSmApp {
 public:
  CCorvaneApp() = default;
  ~CCorvaneApp() override = default;

  BOOL InitInstance() override;

 protected:
  DECLARE_APP_COMMAND_MAP()
};

extern CCorvaneApp theApp;
