#pragma once
// Authenticode checks of the files the client runs or unpacks, and the text
// that names where a downloaded file came from.
//
// "wintrust.dll" and "crypt32.dll" are loaded by name for the duration of one
// check; the programs do not link against them. Both checks keep all state
// in locals and may run on any thread.
//
// A verification that the trust provider accepts is only taken as trusted
// when the signer's certificate chain also reports no trust error (its
// TrustStatus.dwErrorStatus is 0). On Windows that always holds after the
// provider accepted the file; Wine's provider accepts signers that chain to
// no trusted root, and the chain status is what rejects them there.
//
// A check looks at the file by its path. A caller that runs or unpacks the
// file afterwards holds it open against changes from before the check until
// it is done (CHeldFile, core/held_file.h).

#include <windows.h>

#include <string>

// The organisation that signs every file the update server hands out.
inline constexpr wchar_t kPublisherOrganisation[] = L"NORTAVI CORPORATION";

// 0 when the file carries a valid Authenticode signature of any signer.
// Otherwise not trusted: the status of WinVerifyTrust; CERT_E_UNTRUSTEDROOT
// when the provider accepted the file but the signer's chain has an untrusted
// root or is incomplete; TRUST_E_FAIL for any other chain error or when the
// provider gave no signer; E_NOTIMPL when "wintrust.dll" or one of its entry
// points cannot be loaded; E_INVALIDARG for a null path. Callers test for 0.
LONG VerifyFileTrust(const wchar_t* path);

// True only when the file's signature is valid and the organisation ("O",
// 2.5.4.10) in the subject of the signing certificate equals
// expectedOrganisation exactly, letter case included. False for a null
// argument and whenever anything on the way is missing.
bool VerifyPublisher(const wchar_t* path, const wchar_t* expectedOrganisation);

// The IPv4 addresses of the URL's host in dotted decimal, joined by ";", or
// "不明" when the URL has no host or the host cannot be resolved. Never fails.
std::wstring DescribeSource(const wchar_t* url);
