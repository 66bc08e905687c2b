// Winsock first: <windows.h> must not bring in the old winsock.h.
#include <winsock2.h>

#include "core/signature_check.h"

#include <shlwapi.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <string>
#include <vector>

#include "core/ansi_text.h"
#include "core/scoped_handle.h"

namespace {

// "不明": the source of a file whose server cannot be told.
constexpr wchar_t kUnknownSource[] = L"\u4E0D\u660E";

constexpr DWORD kHostNameCapacity = 1024;

using WinVerifyTrustFunction = LONG(WINAPI*)(HWND window, GUID* action, LPVOID data);
using ProvDataFromStateDataFunction = CRYPT_PROVIDER_DATA*(WINAPI*)(HANDLE stateData);
using ProvSignerFromChainFunction = CRYPT_PROVIDER_SGNR*(WINAPI*)(CRYPT_PROVIDER_DATA* provData,
                                                                  DWORD signerIndex,
                                                                  BOOL counterSigner,
                                                                  DWORD counterSignerIndex);
using ProvCertFromChainFunction = CRYPT_PROVIDER_CERT*(WINAPI*)(CRYPT_PROVIDER_SGNR* signer,
                                                                DWORD certIndex);
using CertGetNameStringFunction = DWORD(WINAPI*)(PCCERT_CONTEXT cert, DWORD type, DWORD flags,
                                                 void* typeParameter, LPWSTR name, DWORD capacity);

template <class Function>
Function LookUp(HMODULE library, const char* name) {
  // Through the "any function" type, so that the compiler accepts the cast.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

// "wintrust.dll" and the entry points of the checks, loaded for as long as
// the object lives. An entry point that cannot be found is null.
class CWinTrustLibrary {
 public:
  CWinTrustLibrary() : library_(::LoadLibraryW(L"wintrust.dll")) {
    if (!library_) return;
    winVerifyTrust = LookUp<WinVerifyTrustFunction>(library_.Get(), "WinVerifyTrust");
    provDataFromStateData =
        LookUp<ProvDataFromStateDataFunction>(library_.Get(), "WTHelperProvDataFromStateData");
    provSignerFromChain =
        LookUp<ProvSignerFromChainFunction>(library_.Get(), "WTHelperGetProvSignerFromChain");
    provCertFromChain =
        LookUp<ProvCertFromChainFunction>(library_.Get(), "WTHelperGetProvCertFromChain");
  }

  CWinTrustLibrary(const CWinTrustLibrary&) = delete;
  CWinTrustLibrary& operator=(const CWinTrustLibrary&) = delete;

  WinVerifyTrustFunction winVerifyTrust = nullptr;
  ProvDataFromStateDataFunction provDataFromStateData = nullptr;
  ProvSignerFromChainFunction provSignerFromChain = nullptr;
  ProvCertFromChainFunction provCertFromChain = nullptr;

 private:
  ScopedLibrary library_;
};

// One verification of one file by the generic Authenticode action: no user
// interface, no revocation checks, no window. The provider keeps its state
// from the verify call on; the destructor releases it with the close call,
// whatever the verification's outcome. Must die before the library does.
class CTrustVerification {
 public:
  CTrustVerification(WinVerifyTrustFunction winVerifyTrust, const wchar_t* path, DWORD uiContext)
      : winVerifyTrust_(winVerifyTrust) {
    file_.cbStruct = sizeof file_;
    file_.pcwszFilePath = path;
    file_.hFile = nullptr;
    file_.pgKnownSubject = nullptr;

    data_.cbStruct = sizeof data_;
    data_.pPolicyCallbackData = nullptr;
    data_.pSIPClientData = nullptr;
    data_.dwUIChoice = WTD_UI_NONE;
    data_.fdwRevocationChecks = WTD_REVOKE_NONE;
    data_.dwUnionChoice = WTD_CHOICE_FILE;
    data_.pFile = &file_;
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    data_.hWVTStateData = nullptr;
    data_.pwszURLReference = nullptr;
    data_.dwProvFlags = 0;
    data_.dwUIContext = uiContext;
  }

  ~CTrustVerification() {
    if (data_.hWVTStateData == nullptr) return;
    data_.dwStateAction = WTD_STATEACTION_CLOSE;
    Call();
  }

  CTrustVerification(const CTrustVerification&) = delete;
  CTrustVerification& operator=(const CTrustVerification&) = delete;

  LONG Verify() { return Call(); }
  HANDLE State() const { return data_.hWVTStateData; }

 private:
  LONG Call() {
    // No interactive user may be asked: the window is INVALID_HANDLE_VALUE.
    return winVerifyTrust_(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }

  WinVerifyTrustFunction winVerifyTrust_;
  GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_FILE_INFO file_ = {};
  WINTRUST_DATA data_ = {};
};

// Signer 0 of the verification (not a counter-signer), or null.
CRYPT_PROVIDER_SGNR* FirstSigner(const CWinTrustLibrary& wintrust, HANDLE state) {
  if (state == nullptr) return nullptr;
  CRYPT_PROVIDER_DATA* provData = wintrust.provDataFromStateData(state);
  if (provData == nullptr) return nullptr;
  return wintrust.provSignerFromChain(provData, 0, FALSE, 0);
}

// 0 when the signer's certificate chain reports no trust error.
LONG SignerChainStatus(const CRYPT_PROVIDER_SGNR* signer) {
  if (signer == nullptr || signer->pChainContext == nullptr) return TRUST_E_FAIL;
  const DWORD errors = signer->pChainContext->TrustStatus.dwErrorStatus;
  if (errors == CERT_TRUST_NO_ERROR) return 0;
  if (errors & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)) {
    return CERT_E_UNTRUSTEDROOT;
  }
  return TRUST_E_FAIL;
}

// Whether the first organisation attribute of the certificate's subject is
// exactly the expected text. The comparison covers the whole attribute as
// reported, so a value with an embedded NUL after the expected text differs.
bool OrganisationIs(PCCERT_CONTEXT cert, const wchar_t* expected) {
  ScopedLibrary crypt32(::LoadLibraryW(L"crypt32.dll"));
  if (!crypt32) return false;
  const auto getNameString = LookUp<CertGetNameStringFunction>(crypt32.Get(), "CertGetNameStringW");
  if (getNameString == nullptr) return false;

  char organisationOid[] = szOID_ORGANIZATION_NAME;
  const DWORD length = getNameString(cert, CERT_NAME_ATTR_TYPE, 0, organisationOid, nullptr, 0);
  if (length == 0) return false;
  std::vector<wchar_t> name(static_cast<size_t>(length) + 1, L'\0');
  const DWORD written =
      getNameString(cert, CERT_NAME_ATTR_TYPE, 0, organisationOid, name.data(), length + 1);
  if (written == 0) return false;
  // The count includes the terminating NUL.
  const std::wstring organisation(name.data(), written - 1);
  return organisation == expected;
}

// Windows Sockets 2.0 for as long as the object lives.
class CWinsockSession {
 public:
  CWinsockSession() {
    WSADATA data = {};
    started_ = ::WSAStartup(MAKEWORD(2, 0), &data) == 0;
  }
  ~CWinsockSession() {
    if (started_) ::WSACleanup();
  }
  CWinsockSession(const CWinsockSession&) = delete;
  CWinsockSession& operator=(const CWinsockSession&) = delete;

  bool Started() const { return started_; }

 private:
  bool started_ = false;
};

}  // namespace

LONG VerifyFileTrust(const wchar_t* path) {
  if (path == nullptr) return E_INVALIDARG;
  CWinTrustLibrary wintrust;
  if (wintrust.winVerifyTrust == nullptr || wintrust.provDataFromStateData == nullptr ||
      wintrust.provSignerFromChain == nullptr) {
    return E_NOTIMPL;
  }
  CTrustVerification verification(wintrust.winVerifyTrust, path, WTD_UICONTEXT_EXECUTE);
  const LONG status = verification.Verify();
  if (status != 0) return status;
  return SignerChainStatus(FirstSigner(wintrust, verification.State()));
}

bool VerifyPublisher(const wchar_t* path, const wchar_t* expectedOrganisation) {
  // An empty name would match a certificate without an organisation.
  if (path == nullptr || expectedOrganisation == nullptr || *expectedOrganisation == L'\0') {
    return false;
  }
  CWinTrustLibrary wintrust;
  if (wintrust.winVerifyTrust == nullptr || wintrust.provDataFromStateData == nullptr ||
      wintrust.provSignerFromChain == nullptr || wintrust.provCertFromChain == nullptr) {
    return false;
  }
  CTrustVerification verification(wintrust.winVerifyTrust, path, WTD_UICONTEXT_INSTALL);
  if (verification.Verify() != 0) return false;

  CRYPT_PROVIDER_SGNR* signer = FirstSigner(wintrust, verification.State());
  if (SignerChainStatus(signer) != 0) return false;
  // Certificate 0 of the signer's chain is the signing certificate itself.
  const CRYPT_PROVIDER_CERT* signingCert = wintrust.provCertFromChain(signer, 0);
  if (signingCert == nullptr || signingCert->pCert == nullptr) return false;
  return OrganisationIs(signingCert->pCert, expectedOrganisation);
}

std::wstring DescribeSource(const wchar_t* url) {
  std::wstring text = kUnknownSource;
  if (url == nullptr) return text;

  wchar_t host[kHostNameCapacity] = {};
  DWORD capacity = kHostNameCapacity;
  if (FAILED(::UrlGetPartW(url, host, &capacity, URL_PART_HOSTNAME, 0))) return text;
  // An empty name would resolve to this machine's own addresses.
  if (host[0] == L'\0') return text;

  CWinsockSession winsock;
  if (!winsock.Started()) return text;
  const std::string ansiHost = WideToAnsi(host);
  const hostent* entry = ::gethostbyname(ansiHost.c_str());
  if (entry == nullptr || entry->h_addrtype != AF_INET ||
      entry->h_length != static_cast<short>(sizeof(in_addr)) || entry->h_addr_list == nullptr) {
    return text;
  }
  std::wstring addresses;
  for (char** address = entry->h_addr_list; *address != nullptr; ++address) {
    in_addr ipv4 = {};
    ::memcpy(&ipv4, *address, sizeof ipv4);
    const char* dotted = ::inet_ntoa(ipv4);
    if (dotted == nullptr) continue;
    if (!addresses.empty()) addresses += L';';
    for (const char* c = dotted; *c != '\0'; ++c) addresses += static_cast<wchar_t>(*c);
  }
  if (!addresses.empty()) text = addresses;
  return text;
}
