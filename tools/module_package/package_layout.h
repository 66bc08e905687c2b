#pragma once
// The payload of a module package: the files that VORNAModulePackage.exe
// unpacks, appended to a copy of the program by make_package.py.
//
// The payload starts where the program's PE image ends in the file (the end
// of the raw data of the section that ends last) and runs up to the
// Authenticode certificate table of a signed package (the file offset in the
// security data directory), or else to the end of the file. Signing tools
// align the table to 8 bytes, so up to 7 zero bytes may follow the payload.
// All numbers are unsigned and little-endian.
//
//   header
//     magic          8 bytes   "VORNAPKG"
//     version        u32       1
//     exit code      u32       what the program returns after a complete unpack
//     entry count    u32       at most kMaxPackageEntries
//     payload size   u64       bytes of the whole payload, this header included
//   then for every entry, in the order of unpacking
//     name length    u32       1 to kMaxEntryNameBytes
//     name           UTF-8     a plain file name (IsPlainFileName, core/path_text.h), no terminator
//     data length    u64
//     data
//
// The entries fill the payload size exactly.

#include <cstddef>
#include <cstdint>

constexpr char kPackageMagic[8] = {'V', 'O', 'R', 'N', 'A', 'P', 'K', 'G'};
constexpr std::uint32_t kPackageFormatVersion = 1;
constexpr std::size_t kPackageHeaderSize = 8 + 4 + 4 + 4 + 8;
constexpr std::uint32_t kMaxPackageEntries = 4096;
constexpr std::uint32_t kMaxEntryNameBytes = 1024;
constexpr std::uint64_t kMaxSignaturePadding = 7;
