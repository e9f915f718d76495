// Message maps: a static table per window class of (message, notification code, control
// id, handler), chained to the base class's table. CWnd::OnCommand looks a WM_COMMAND up
// in the class's table and then in its bases' tables; WM_QUERYDRAGICON is looked up the
// same way.
#pragma once

#include "platform/gui/WinTypes.h"

class CWnd;

using AFX_PMSG = void (CWnd::*)();
using AFX_PMSG_ICON = HCURSOR (CWnd::*)();

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;
  UINT nCode;
  UINT nID;
  AFX_PMSG pfn;           // handlers taking nothing and returning nothing
  AFX_PMSG_ICON pfnIcon;  // WM_QUERYDRAGICON
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;  // ends with an entry whose message is 0
};

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { \
    return GetThisMessageMap();                       \
  }                                                   \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
    using ThisClass [[maybe_unused]] = theClass;      \
    using TheBaseClass = baseClass;                   \
    static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                  \
  { 0, 0, 0, nullptr, nullptr }                                                            \
  }                                                                                        \
  ;                                                                                        \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, messageEntries}; \
  return &messageMap;                                                                      \
  }

#define ON_CONTROL(code, id, memberFxn)                        \
  {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), \
   static_cast<AFX_PMSG>(&ThisClass::memberFxn), nullptr},
#define ON_COMMAND(id, memberFxn) ON_CONTROL(0, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_WM_QUERYDRAGICON() \
  {WM_QUERYDRAGICON, 0, 0, nullptr, static_cast<AFX_PMSG_ICON>(&ThisClass::OnQueryDragIcon)},
