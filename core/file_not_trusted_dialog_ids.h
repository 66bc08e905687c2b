#pragma once
// Control numbers of the untrusted-file notice. Plain #defines, so that the
// dialog template (core/file_not_trusted_dialog.rc) and C++ share them.

// The message line above the fixed text ("<module>が実行できません。").
#define IDC_FILE_NOT_TRUSTED_MESSAGE 1001
// The system's error icon.
#define IDC_FILE_NOT_TRUSTED_ICON 1002
// "この問題に関するサポートFAQを表示する": opens the support page.
#define IDC_FILE_NOT_TRUSTED_SUPPORT 9

// Every client program's icon resource (core/program_icon.rc.in).
#define IDI_CLIENT_PROGRAM 128
