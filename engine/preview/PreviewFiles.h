// The preview's temporary files. A preview converts the first rows of the source into
// <reserved>.json in the user's private temporary directory and renders that as
// <reserved>.json.html beside it. The reserved name goes at once, the JSON file as soon
// as the page is made (RenderPreview) or the conversion fails, a page as soon as the next
// page is on show, and the latest page when the window closes: a session leaves nothing
// behind.
#pragma once

#include "platform/core/CString.h"

// One attempt at a new preview. It keeps the caller's name of the page on show
// (previewFile) true: while the attempt runs it names the new page; an attempt that is
// left without Shown (a failed conversion, an exception) deletes what it made and gives
// the previous name back, so that closing the window removes the page still on show.
class CPreviewFiles {
 public:
  // Reserves a name in the private temporary directory; without that directory there is
  // no safe place for the files and Reserved() is false.
  explicit CPreviewFiles(CString& previewFile);
  ~CPreviewFiles();
  CPreviewFiles(const CPreviewFiles&) = delete;
  CPreviewFiles& operator=(const CPreviewFiles&) = delete;

  bool Reserved() const { return !m_jsonPath.IsEmpty(); }
  // Where the conversion writes the preview's rows.
  const CString& JsonPath() const { return m_jsonPath; }
  // The new page is on show: the previous one is not needed any more.
  void Shown();

 private:
  CString& m_previewFile;
  CString m_previous;
  CString m_jsonPath;
  bool m_shown = false;
};

// Deletes the page on show when the window closes, and the private directory with it once
// it is empty (each process has its own, see GetTempPathW).
void DeletePreviewPage(const CString& page);
