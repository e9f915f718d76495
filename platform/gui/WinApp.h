// CWinAppEx: the application object. AfxWinMain starts the toolkit, whose start-up
// calls InitInstance; when that returns FALSE the program ends without a main loop of its
// own, with ExitInstance's result as its exit status.
//
// The object itself is not the toolkit's application object (which the toolkit creates
// and deletes): the program's one application object is a static, as on Windows.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/gui/WinTypes.h"

class CWnd;
class CWinAppEx;

// The application's command map: commands that no window handled reach the application
// object, which looks them up here and in its bases' maps.
struct AFX_APP_COMMAND_ENTRY {
  UINT nID;
  void (CWinAppEx::*pfn)();
};
struct AFX_APP_COMMAND_MAP {
  const AFX_APP_COMMAND_MAP* (*pfnGetBaseMap)();
  const AFX_APP_COMMAND_ENTRY* lpEntries;  // ends with an entry whose id is 0
};

#define DECLARE_APP_COMMAND_MAP()                        \
  static const AFX_APP_COMMAND_MAP* GetThisCommandMap(); \
  const AFX_APP_COMMAND_MAP* GetCommandMap() const override;

#define BEGIN_APP_COMMAND_MAP(theClass, baseClass)             \
  const AFX_APP_COMMAND_MAP* theClass::GetCommandMap() const { \
    return GetThisCommandMap();                                \
  }                                                            \
  const AFX_APP_COMMAND_MAP* theClass::GetThisCommandMap() {   \
    using TheBaseClass = baseClass;                            \
    static const AFX_APP_COMMAND_ENTRY entries[] = {
#define ON_APP_COMMAND(id, memberFxn) {static_cast<UINT>(id), &memberFxn},
#define END_APP_COMMAND_MAP()                                                         \
  { 0, nullptr }                                                                      \
  }                                                                                   \
  ;                                                                                   \
  static const AFX_APP_COMMAND_MAP map = {&TheBaseClass::GetThisCommandMap, entries}; \
  return &map;                                                                        \
  }

class CWinAppEx {
 public:
  CWinAppEx();
  virtual ~CWinAppEx();
  CWinAppEx(const CWinAppEx&) = delete;
  CWinAppEx& operator=(const CWinAppEx&) = delete;

  virtual BOOL InitInstance();
  virtual int ExitInstance();

  // Runs the command's entry of the command map; FALSE when there is none.
  BOOL OnCmdMsg(UINT id);
  // Shows the user guide; here nothing, as only the dialog library has a window for it.
  virtual void OnHelp();
  // Where the user guide's page is: in the installed program's data folder, else in the
  // build tree the program was built in.
  static CString GetHelpFilePath();

  // The window the application runs; null when none runs.
  CWnd* m_pMainWnd = nullptr;

  // The files named on the command line, in order, each an absolute path with its bytes
  // kept exactly (CString::FromUtf8). The toolkit's own options are not among them.
  const std::vector<CString>& GetFileArguments() const { return m_fileArguments; }

 protected:
  static const AFX_APP_COMMAND_MAP* GetThisCommandMap();
  virtual const AFX_APP_COMMAND_MAP* GetCommandMap() const;

 private:
  friend int AfxWinMain(int argc, char** argv);
  std::vector<CString> m_fileArguments;
};

// The control classes of the old Windows toolkit need no registration here; the call and
// its structure stay so that start-up reads as it does elsewhere.
struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
constexpr DWORD ICC_WIN95_CLASSES = 0xFF;
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);

// The application object, null before it is constructed.
CWinAppEx* AfxGetApp();

// Runs the application object: starts the toolkit, calls InitInstance, runs the main loop
// only when it returned non-zero, then ExitInstance. An argument that starts with "-" is
// the toolkit's (with the value after --display, --class, ... given as a word of its own);
// the others, and all after "--", are files. Returns the exit status; 1 when the
// toolkit cannot start (no display).
int AfxWinMain(int argc, char** argv);
