// The toolkit side of the edit-browse control: a text field with a small browse button
// at its right end that opens a file dialog and puts the chosen path into the field.
// The button is a tab stop of its own after the field, as a GTK desktop expects, so the
// dialog can be opened without a mouse.
#pragma once

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/textctrl.h>

#include <functional>
#include <utility>
#include <vector>

#include "platform/core/CString.h"

// Converts the framework's bar-separated filter ("Text files|*.txt|All Files|*.*||") to
// the toolkit's wildcard ("Text files|*.txt|All Files|*.*"). A filter with an unpaired
// description or an empty one gives "All files|*".
wxString AfxFilterToWildcard(const CString& filter);

class CEditBrowseBox : public wxPanel {
 public:
  enum Mode { kNoButton = 0, kFileButton = 1 };

  CEditBrowseBox(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);

  wxTextCtrl* GetTextCtrl() const { return m_text; }
  wxButton* GetBrowseButton() const { return m_button; }

  // True when the button shows and the control is enabled: the file dialog can be opened.
  bool CanBrowse() const { return m_mode == kFileButton && IsThisEnabled(); }
  // Opens the file dialog, as the button does.
  void Browse();

  void SetMode(Mode mode);
  Mode GetMode() const { return m_mode; }
  void SetFileDialog(const CString& defaultExtension, const CString& filter);
  void SetSaveDialog(bool save) { m_save = save; }
  // Makes the button choose a folder instead of a file.
  void SetFolderDialog(bool folder) { m_folder = folder; }
  // Lets the open dialog choose several files: more than one goes to onSeveral, and the
  // field is left to it; none (the default) chooses one.
  void SetSeveralFiles(std::function<void(const std::vector<CString>& paths)> onSeveral) {
    m_onSeveral = std::move(onSeveral);
  }
  // The paths the field offers in a drop-down by its button, latest first; none hides it.
  void SetHistory(std::vector<CString> entries);
  const std::vector<CString>& GetHistory() const { return m_entries; }
  // Puts the history's entry at index into the field, as choosing it in the drop-down does.
  void ChooseFromHistory(size_t index);
  // Opens the history's drop-down under the field, as its button does; false without one.
  bool ShowHistory();
  const wxString& GetWildcard() const { return m_wildcard; }
  const CString& GetDefaultExtension() const { return m_defaultExtension; }

  // Adds the default extension to a path that has none (only when saving: an opened
  // file exists under the name it has).
  CString CompletePath(const CString& path) const;

  bool AcceptsFocus() const override { return false; }  // the field inside takes it

 private:
  void PlaceChildren();
  void BrowseFolder();

  wxTextCtrl* m_text;
  wxButton* m_button;
  wxButton* m_historyButton;
  std::vector<CString> m_entries;
  Mode m_mode = kNoButton;
  bool m_save = false;
  bool m_folder = false;
  std::function<void(const std::vector<CString>&)> m_onSeveral;
  CString m_defaultExtension;
  wxString m_wildcard = "All files|*";
};
