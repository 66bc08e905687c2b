#pragma once
// A large module list of the update server's shape, made in memory for the
// reader benchmark: the same bytes for the same size on every run.

#include <cstddef>
#include <cstdint>
#include <string>

struct ModuleListDocument {
  std::string text;          // code page 932, CR LF line ends
  std::size_t modules = 0;   // Q-CharterModule elements below the root
  std::uint64_t checksum = 0;  // ModuleChecksum over every module, as written
};

// Adds one module to a checksum: its ID, the length of its decoded
// description, and whether its type attribute is exactly "common". Both
// readers' walks compute it from their trees; it equals the generator's only
// when both decoded the values it looks at as written.
std::uint64_t ModuleChecksum(std::uint64_t checksum, std::uint64_t id,
                             std::size_t descriptionLength, bool common);

// A document of at least minimumBytes: a declaration, a comment, and
// "paveOnlineUpdate" with module elements of every type, Japanese names and
// descriptions and the five entities.
ModuleListDocument MakeModuleListDocument(std::size_t minimumBytes);
