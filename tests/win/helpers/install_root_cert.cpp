// Adds one certificate (a DER file) to the LocalMachine "ROOT" store, so that
// signatures made by the test PKI chain to a trusted root.
//   install_root_cert.exe CERT_FILE
// Exit code 0 when the certificate is in the store, 1 otherwise.

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>

#include "core/scoped_handle.h"

namespace {

struct CertStoreTraits {
  using Handle = HCERTSTORE;
  static Handle NullHandle() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { ::CertCloseStore(handle, 0); }
};

std::string ReadWholeFile(const wchar_t* path) {
  ScopedHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  return bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: install_root_cert CERT_FILE\n");
    return 1;
  }
  const std::string der = ReadWholeFile(argv[1]);
  if (der.empty()) {
    std::fprintf(stderr, "cannot read the certificate file\n");
    return 1;
  }
  ScopedGenericHandle<CertStoreTraits> store(::CertOpenStore(
      CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT"));
  if (!store) {
    std::fprintf(stderr, "CertOpenStore failed: %lu\n", ::GetLastError());
    return 1;
  }
  if (!::CertAddEncodedCertificateToStore(store.Get(), X509_ASN_ENCODING,
                                          reinterpret_cast<const BYTE*>(der.data()),
                                          static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
    std::fprintf(stderr, "CertAddEncodedCertificateToStore failed: %lu\n", ::GetLastError());
    return 1;
  }
  return 0;
}
