// Builds a dialog's window from its template: frame, menu, panel, controls in template
// order (the tab order), the dialog initialisation data, and the event bindings that turn
// the toolkit's events into the framework's messages.
#include <map>
#include <stdexcept>
#include <string>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/grid.h>
#include <wx/menu.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/webview.h>

#include "platform/gui/DialogImpl.h"
#include "platform/gui/DialogLayout.h"
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/GridCtrl.h"
#include "platform/gui/GtkBridge.h"
#include "platform/gui/PrivateWebContext.h"
#include "platform/gui/WebView.h"
#include "platform/gui/WxText.h"

namespace {

bool IsClass(const DlgControl& res, const char16_t* name) {
  return CString(res.className) == name;
}

long FrameStyle(DWORD style, bool hasParent) {
  long frameStyle = wxCLIP_CHILDREN;
  frameStyle |= (style & WS_CAPTION) == WS_CAPTION ? wxCAPTION : 0;
  frameStyle |= (style & WS_SYSMENU) != 0 ? (wxSYSTEM_MENU | wxCLOSE_BOX) : 0;
  frameStyle |= (style & WS_THICKFRAME) != 0 ? wxRESIZE_BORDER : 0;
  frameStyle |= (style & WS_MINIMIZEBOX) != 0 ? wxMINIMIZE_BOX : 0;
  frameStyle |= (style & WS_MAXIMIZEBOX) != 0 ? wxMAXIMIZE_BOX : 0;
  frameStyle |= hasParent ? (wxFRAME_FLOAT_ON_PARENT | wxFRAME_NO_TASKBAR) : 0;
  return frameStyle;
}

constexpr UINT kLargestToolkitId = 0x7FFE;

wxMenuBar* BuildMenuBar(const MenuRes& menu, std::map<int, UINT>& commands) {
  auto* bar = new wxMenuBar;
  for (const MenuPopupRes& popup : menu.popups) {
    auto* items = new wxMenu;
    for (const MenuItemRes& item : popup.items) {
      if (item.text == nullptr) {
        items->AppendSeparator();
      } else if (item.id > kLargestToolkitId) {
        commands[items->Append(wxID_ANY, ToWx(item.text))->GetId()] = item.id;
      } else {
        items->Append(static_cast<int>(item.id), ToWx(item.text));
      }
    }
    bar->Append(items, ToWx(popup.title));
  }
  return bar;
}

}  // namespace

wxWindow* CreateWebBrowser(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size) {
  if (!wxWebView::IsBackendAvailable(wxWebViewBackendDefault)) {
    // Without a web engine the pane stays empty; the rest of the window works.
    return new wxPanel(parent, id, pos, size, wxBORDER_SUNKEN);
  }
  UsePrivateWebContext();
  wxWebView* view = wxWebView::New(parent, id, wxWebViewDefaultURLStr, pos, size);
  if (view == nullptr) {
    return new wxPanel(parent, id, pos, size, wxBORDER_SUNKEN);
  }
  // A preview shows data from any file: nothing in it may run as script.
  GtkDisableWebViewScripts(view->GetNativeBackend());
  GtkKeepWebViewLocal(view->GetNativeBackend());
  view->EnableContextMenu(false);
  return view;
}

namespace {

wxWindow* CreateControl(wxPanel* panel, const DlgControl& res) {
  const wxWindowID id = res.id == IDC_STATIC ? wxID_ANY : res.id;
  const wxPoint pos = panel->ConvertDialogToPixels(wxPoint(res.x, res.y));
  const wxSize size = panel->ConvertDialogToPixels(wxSize(res.cx, res.cy));
  if (IsClass(res, kClassStatic)) {
    if ((res.style & SS_TYPEMASK) == SS_ICON) {
      return new wxStaticBitmap(panel, id, wxNullBitmap, pos, size);
    }
    const long align = (res.style & SS_TYPEMASK) == SS_CENTER ? wxALIGN_CENTRE_HORIZONTAL : 0;
    return new wxStaticText(panel, id, ToWx(res.text), pos, size, align | wxST_NO_AUTORESIZE);
  }
  if (IsClass(res, kClassEdit)) {
    return new wxTextCtrl(panel, id, ToWx(res.text), pos, size);
  }
  if (IsClass(res, kClassComboBox)) {
    // The template's height is that of the open list; the closed list keeps its own.
    return new wxChoice(panel, id, pos, wxSize(size.x, -1));
  }
  if (IsClass(res, kClassButton) && (res.style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
    return new wxCheckBox(panel, id, ToWx(res.text), pos, size);
  }
  if (IsClass(res, kClassButton)) {
    auto* button = new wxButton(panel, id, ToWx(res.text), pos, size);
    if ((res.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      button->SetDefault();
    }
    return button;
  }
  if (IsClass(res, kClassEditBrowse)) {
    return new CEditBrowseBox(panel, id, pos, size);
  }
  if (IsClass(res, kClassWebBrowser)) {
    return CreateWebBrowser(panel, id, pos, size);
  }
  if (IsClass(res, kClassGrid)) {
    return CreateGridWindow(panel, id, pos, size);
  }
  throw std::runtime_error("Unknown window class " + CString(res.className).ToUtf8() +
                           " of control " + std::to_string(res.id) + ".");
}

void ApplyStyle(wxWindow* window, DWORD style) {
  if ((style & WS_DISABLED) != 0) {
    window->Disable();
  }
  if ((style & WS_VISIBLE) == 0) {
    window->Hide();
  }
  if ((style & WS_TABSTOP) == 0) {
    FocusTargetOf(window)->DisableFocusFromKeyboard();
  }
}

void ApplyInitRecord(CDialog::Impl& impl, const DlgInitRecord& record) {
  DialogControl* control = impl.Find(record.controlId);
  if (control == nullptr) {
    return;
  }
  if (record.message == kDlgInitAddString) {
    if (auto* list = dynamic_cast<wxChoice*>(control->window)) {
      const std::string_view text = record.data.substr(0, record.data.find('\0'));
      list->Append(wxString::FromUTF8(text.data(), text.size()));
    }
  } else if (record.message == kDlgInitMfcControl) {
    auto* box = dynamic_cast<CEditBrowseBox*>(control->window);
    if (box != nullptr && record.data.find("<MFCEditBrowse_Mode>1<") != std::string_view::npos) {
      box->SetMode(CEditBrowseBox::kFileButton);
    }
  }
  // kDlgInitOleControl: the web view keeps no persisted state.
}

template <typename Event>
auto Guarded(const std::shared_ptr<int>& alive, std::function<void(Event&)> handler) {
  return [weak = std::weak_ptr<int>(alive), handler](Event& event) {
    if (weak.expired()) {
      event.Skip();
      return;
    }
    handler(event);
  };
}

void BindControl(CDialog& dialog, CDialog::Impl& impl, const DialogControl& control) {
  const UINT id = static_cast<UINT>(control.id);
  auto command = [&dialog, id](UINT code) {
    return [&dialog, id, code](wxCommandEvent&) { dialog.SendCommand(id, code); };
  };
  wxWindow* window = control.window;
  if (auto* box = dynamic_cast<CEditBrowseBox*>(window)) {
    window = box->GetTextCtrl();
  }
  if (dynamic_cast<wxTextCtrl*>(window) != nullptr) {
    window->Bind(wxEVT_TEXT, Guarded<wxCommandEvent>(impl.alive, command(EN_CHANGE)));
  } else if (dynamic_cast<wxChoice*>(window) != nullptr) {
    window->Bind(wxEVT_CHOICE, Guarded<wxCommandEvent>(impl.alive, command(CBN_SELCHANGE)));
  } else if (dynamic_cast<wxButton*>(window) != nullptr) {
    window->Bind(wxEVT_BUTTON, Guarded<wxCommandEvent>(impl.alive, command(BN_CLICKED)));
  } else if (dynamic_cast<wxCheckBox*>(window) != nullptr) {
    window->Bind(wxEVT_CHECKBOX, Guarded<wxCommandEvent>(impl.alive, command(BN_CLICKED)));
  } else if (dynamic_cast<wxGrid*>(window) != nullptr) {
    window->Bind(wxEVT_GRID_CELL_CHANGED,
                 Guarded<wxGridEvent>(impl.alive, [&dialog, id](wxGridEvent&) {
                   dialog.SendCommand(id, GN_CELLCHANGED);
                 }));
  }
}

UINT SizeKind(const wxFrame* frame) {
  if (frame->IsIconized()) {
    return SIZE_MINIMIZED;
  }
  return frame->IsMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
}

void BindFrame(CDialog& dialog, CDialog::Impl& impl) {
  wxFrame* frame = impl.frame;
  frame->Bind(wxEVT_CHAR_HOOK, Guarded<wxKeyEvent>(impl.alive, [&dialog, &impl](wxKeyEvent& e) {
                if (!HandleDialogKey(dialog, impl, e.GetKeyCode(), e.GetModifiers())) {
                  // The key is its control's, never the window's below: a frame passes
                  // what it skips to its parent, whose Enter and mnemonics would act.
                  e.StopPropagation();
                  e.Skip();
                }
              }));
  frame->Bind(
      wxEVT_MENU, Guarded<wxCommandEvent>(impl.alive, [&dialog, &impl](wxCommandEvent& e) {
        const auto mapped = impl.menuCommands.find(e.GetId());
        dialog.SendCommand(
            mapped != impl.menuCommands.end() ? mapped->second : static_cast<UINT>(e.GetId()), 0);
      }));
  frame->Bind(wxEVT_CLOSE_WINDOW, Guarded<wxCloseEvent>(impl.alive, [&dialog](wxCloseEvent& e) {
                if (e.CanVeto()) {
                  e.Veto();  // the close box is the cancel command; its handler decides
                  dialog.SendCommand(IDCANCEL, 0);
                } else {
                  // The window must go: the modal run ends and destroys it as always.
                  dialog.EndDialog(IDCANCEL);
                }
              }));
  impl.panel->Bind(wxEVT_SIZE, Guarded<wxSizeEvent>(impl.alive, [&dialog, frame](wxSizeEvent& e) {
                     const wxSize size = e.GetSize();
                     dialog.RunGuarded([&] { dialog.OnSize(SizeKind(frame), size.x, size.y); });
                     e.Skip();
                   }));
}

}  // namespace

void BuildDialogWindow(CDialog& dialog, CDialog::Impl& impl, wxWindow* parent) {
  const DlgTemplate* res = AfxFindDialogTemplate(dialog.GetTemplateId());
  if (res == nullptr) {
    throw std::runtime_error("No dialog template " + std::to_string(dialog.GetTemplateId()) + ".");
  }
  impl.res = res;
  impl.alive = std::make_shared<int>(0);
  impl.frame = new wxFrame(parent, wxID_ANY, ToWx(res->caption), wxDefaultPosition, wxDefaultSize,
                           FrameStyle(res->style, parent != nullptr));
  if (res->menuId != 0) {
    const MenuRes* menu = AfxFindMenu(res->menuId);
    if (menu == nullptr) {
      throw std::runtime_error("No menu " + std::to_string(res->menuId) + ".");
    }
    impl.frame->SetMenuBar(BuildMenuBar(*menu, impl.menuCommands));
  }
  // The controls sit on a panel in the system's dialog font; dialog units follow it.
  impl.panel = new wxPanel(impl.frame, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxTAB_TRAVERSAL | wxNO_BORDER);
  for (const DlgControl& controlRes : res->controls) {
    wxWindow* window = CreateControl(impl.panel, controlRes);
    ApplyStyle(window, controlRes.style);
    impl.controls.push_back(DialogControl{controlRes.id, &controlRes, window, nullptr, nullptr});
  }
  for (const DlgInitRecord& record : AfxFindDlgInit(res->id)) {
    ApplyInitRecord(impl, record);
  }
  for (const DialogControl& control : impl.controls) {
    BindControl(dialog, impl, control);
  }
  std::vector<PlacedControl> placed;
  for (const DialogControl& control : impl.controls) {
    placed.push_back(PlacedControl{control.res, control.window});
  }
  impl.frame->SetClientSize(LayOutDialog(impl.panel, *res, placed));
  impl.panel->SetSize(impl.frame->GetClientSize());
  BindFrame(dialog, impl);
  impl.frame->CentreOnParent();
}
