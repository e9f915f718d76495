#include "platform/gui/EditBrowseBox.h"

#include <wx/menu.h>

#include <utility>
#include <vector>

#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>

#include "platform/gui/WxText.h"

wxString AfxFilterToWildcard(const CString& filter) {
  std::vector<wxString> parts;
  wxString current;
  for (wxUniChar ch : ToWx(filter)) {
    if (ch == '|') {
      parts.push_back(current);
      current.clear();
    } else {
      current += ch;
    }
  }
  parts.push_back(current);
  while (!parts.empty() && parts.back().empty()) {
    parts.pop_back();  // the closing "||"
  }
  if (parts.empty() || parts.size() % 2 != 0) {
    return "All files|*";
  }
  wxString wildcard;
  for (size_t i = 0; i < parts.size(); i += 2) {
    if (parts[i].empty() || parts[i + 1].empty()) {
      return "All files|*";
    }
    if (!wildcard.empty()) {
      wildcard += '|';
    }
    wildcard += parts[i] + '|' + parts[i + 1];
  }
  return wildcard;
}

CEditBrowseBox::CEditBrowseBox(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                               const wxSize& size)
    : wxPanel(parent, id, pos, size, wxTAB_TRAVERSAL | wxNO_BORDER) {
  m_text = new wxTextCtrl(this, wxID_ANY);
  m_button = new wxButton(this, wxID_ANY, "...", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
  m_button->SetToolTip(_("Browse"));
  m_button->Hide();
  m_button->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Browse(); });
  m_historyButton = new wxButton(this, wxID_ANY, wxString::FromUTF8("\u25BE"), wxDefaultPosition,
                                 wxDefaultSize, wxBU_EXACTFIT);
  m_historyButton->SetToolTip(_("Recent files"));
  m_historyButton->Hide();
  m_historyButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ShowHistory(); });
  Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    PlaceChildren();
    event.Skip();
  });
  PlaceChildren();
}

void CEditBrowseBox::SetMode(Mode mode) {
  m_mode = mode;
  m_button->Show(mode == kFileButton);
  PlaceChildren();
}

void CEditBrowseBox::SetFileDialog(const CString& defaultExtension, const CString& filter) {
  m_defaultExtension = defaultExtension;
  m_wildcard = filter.IsEmpty() ? wxString("All files|*") : AfxFilterToWildcard(filter);
  SetMode(kFileButton);
}

CString CEditBrowseBox::CompletePath(const CString& path) const {
  if (!m_save || m_defaultExtension.IsEmpty() || path.IsEmpty()) {
    return path;
  }
  wxFileName name(ToWx(path));
  if (!name.GetExt().empty()) {
    return path;
  }
  return path + u"." + m_defaultExtension;
}

void CEditBrowseBox::PlaceChildren() {
  const wxSize size = GetClientSize();
  int buttonsWidth = 0;
  for (wxButton* button : {m_button, m_historyButton}) {
    if (button->IsShown()) {
      const int width = std::min(size.y + size.y / 4, size.x / 4);
      buttonsWidth += width;
      button->SetSize(size.x - buttonsWidth, 0, width, size.y);
    }
  }
  m_text->SetSize(0, 0, std::max(0, size.x - buttonsWidth), size.y);
}

void CEditBrowseBox::Browse() {
  if (m_folder) {
    BrowseFolder();
    return;
  }
  wxFileName current(PathToWx(FromWx(m_text->GetValue())));
  long style = m_save ? (wxFD_SAVE | wxFD_OVERWRITE_PROMPT) : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  if (!m_save && m_onSeveral)
    style |= wxFD_MULTIPLE;
  wxFileDialog dialog(wxGetTopLevelParent(this), m_save ? _("Save As") : _("Open"),
                      current.GetPath(), current.GetFullName(), m_wildcard, style);
  if (dialog.ShowModal() != wxID_OK) {
    return;
  }
  if (style & wxFD_MULTIPLE) {
    wxArrayString chosen;
    dialog.GetPaths(chosen);
    if (chosen.size() > 1) {
      std::vector<CString> paths;
      for (const wxString& path : chosen)
        paths.push_back(PathFromWx(path));
      m_onSeveral(paths);
      m_text->SetFocus();
      return;
    }
  }
  // SetValue raises the field's change notification, as choosing a file does on Windows.
  m_text->SetValue(ToWx(CompletePath(PathFromWx(dialog.GetPath()))));
  m_text->SetFocus();
}

void CEditBrowseBox::BrowseFolder() {
  wxDirDialog dialog(wxGetTopLevelParent(this), _("Choose a folder"),
                     PathToWx(FromWx(m_text->GetValue())), wxDD_DEFAULT_STYLE);
  if (dialog.ShowModal() != wxID_OK) {
    return;
  }
  m_text->SetValue(PathToWx(PathFromWx(dialog.GetPath())));
  m_text->SetFocus();
}

void CEditBrowseBox::SetHistory(std::vector<CString> entries) {
  m_entries = std::move(entries);
  m_historyButton->Show(!m_entries.empty());
  PlaceChildren();
}

void CEditBrowseBox::ChooseFromHistory(size_t index) {
  if (index < m_entries.size()) {
    // SetValue raises the field's change notification, as typing the path does.
    m_text->SetValue(PathToWx(m_entries[index]));
    m_text->SetFocus();
  }
}

bool CEditBrowseBox::ShowHistory() {
  if (m_entries.empty()) {
    return false;
  }
  wxMenu menu;
  for (size_t i = 0; i < m_entries.size(); ++i) {
    menu.Append(static_cast<int>(wxID_HIGHEST + 1 + i), PathToWx(m_entries[i]));
  }
  menu.Bind(wxEVT_MENU, [this](wxCommandEvent& event) {
    ChooseFromHistory(static_cast<size_t>(event.GetId() - wxID_HIGHEST - 1));
  });
  PopupMenu(&menu, wxPoint(0, GetClientSize().y));
  return true;
}
