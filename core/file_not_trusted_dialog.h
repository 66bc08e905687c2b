#pragma once
// The untrusted-file notice: a small topmost window in the lower right corner
// of the work area telling the user that an update file failed its signature
// check. It does not take the focus from the user's work.
//
// The template is core/file_not_trusted_dialog.rc, which each program that
// shows the notice includes in its own resources under its own template
// number (129 web downloader, 130 folder downloader, 139 balloon program),
// next to its program icon (resource 128). The notice is always shown on the
// program's window thread.

#include <windows.h>

#include <string>

class CFileNotTrustedDlg {
 public:
  // templateId: the dialog template in the calling program's resources.
  // message: the upper line; an empty text leaves the template's (empty) line.
  CFileNotTrustedDlg(int templateId, std::wstring message);

  CFileNotTrustedDlg(const CFileNotTrustedDlg&) = delete;
  CFileNotTrustedDlg& operator=(const CFileNotTrustedDlg&) = delete;

  // Shows the notice and returns when the user closed it: IDOK for "確認",
  // IDCANCEL for the caption's close button, -1 when the template is missing.
  // The support button opens the support page and leaves the notice open.
  INT_PTR DoModal(HWND owner);

  int GetTemplateId() const { return templateId_; }
  const std::wstring& GetMessageText() const { return message_; }

  // The support page address this build opens (the CMake setting
  // CLIENT_SUPPORT_PAGE_URL).
  static const wchar_t* GetSupportPageUrl();

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog(HWND dialog);
  // True when the command was ours.
  bool OnCommand(HWND dialog, int id, int notification);
  void OnSupportPage();

  int templateId_;
  std::wstring message_;
};
