#pragma once
// The update-info key tree: one key per installed product under
// HKEY_LOCAL_MACHINE "SOFTWARE\Nortavi\PaveOnlineUpdate\UpdateInfoKey", with
// its caption and the IDs of the updates already applied to it. The client
// only reads the tree; every read goes to the registry again (no cache).
//
// Key names are compared ignoring case everywhere. An ID subkey whose name is
// not a hexadecimal number (see ReadUpdateIds) is skipped.

#include <cstdint>
#include <string>
#include <vector>

inline constexpr wchar_t kUpdateInfoKeyRoot[] = L"SOFTWARE\\Nortavi\\PaveOnlineUpdate\\UpdateInfoKey";
inline constexpr wchar_t kCaptionNameValue[] = L"CaptionName";
inline constexpr wchar_t kUpdateIdSubkey[] = L"ID";

// The default key, never a product: every enumeration skips it.
inline constexpr wchar_t kDefaultUpdateInfoKeyName[] = L"nvou01";
// Updates common to all products: pending or not is decided by their targets.
inline constexpr wchar_t kCommonUpdateInfoKeyName[] = L"pavecommon";
// The update client itself: its updates are applied before all others.
inline constexpr wchar_t kClientUpdateInfoKeyName[] = L"vornaclient";

// Update IDs in the registry's enumeration order (neither sorted nor unique).
using CUpdateIDArray = std::vector<std::uint64_t>;

// One installed product.
struct CUpdateInfoKey {
  std::wstring keyName;      // the subkey name as enumerated
  std::wstring captionName;  // value "CaptionName" (REG_SZ / REG_EXPAND_SZ as stored), or empty
  CUpdateIDArray ids;        // the applied updates
};

// Products in the registry's enumeration order.
using CUpdateInfoKeyArray = std::vector<CUpdateInfoKey>;

// Appends every product key except "nvou01". When the root cannot be
// enumerated to its end, nothing is appended.
void ReadUpdateInfoKeys(CUpdateInfoKeyArray& keys);

// The key of that name; an empty or null name gives an empty record without
// reading the registry. Missing parts read as empty.
CUpdateInfoKey ReadUpdateInfoKey(const wchar_t* keyName);

// Appends the IDs under keyName\ID. A subkey name counts as an ID only when
// it consists of hexadecimal digits alone, with at most 16 digits after any
// leading zeros; anything else (a "0x" prefix, a sign, white space or other
// characters before or after the digits, an empty name) is skipped.
void ReadUpdateIds(const wchar_t* keyName, CUpdateIDArray& ids);

// True when at least one product key exists.
bool HasUpdateInfoKeys();

// The updater's form: true when the product's key exists and its IDs do not
// contain id (so a key without IDs has everything pending); false for an
// unknown or null keyName.
bool IsUpdatePending(const wchar_t* keyName, std::uint64_t id);

// True when the product's key exists and its IDs contain id.
bool IsUpdateApplied(const wchar_t* keyName, std::uint64_t id);

// The folder downloader's form, straight from the registry: true when the
// product's "ID" subkey exists and none of its subkey names equals id written
// as 16 lower-case, zero-padded hexadecimal digits (ignoring case). False for
// a null, empty or "nvou01" keyName, for a path of 260 characters or more and
// when there is no "ID" subkey. Every name looked at goes to the step log
// (step 8); an enumeration error adds "Error Result = <code>".
bool IsUpdatePendingInRegistry(const wchar_t* keyName, std::uint64_t id);
