#include <windows.h>

#include "core/ansi_text.h"
#include "core/code_page_win.h"

std::string WideToAnsi(const std::wstring& text) { return WideToCodePage(CP_ACP, text); }

std::wstring AnsiToWide(const std::string& text) { return CodePageToWide(CP_ACP, text); }
