#pragma once
// The error-log text of an exception that ended a downloader's run: the
// cause and file of a CFileException, "Out of memory." for std::bad_alloc,
// otherwise the exception's own description.

#include <exception>
#include <string>

std::wstring DescribeException(const std::exception& error);

// For something thrown that is not a std::exception.
inline constexpr wchar_t kUnknownExceptionText[] = L"Unexpected error.";
