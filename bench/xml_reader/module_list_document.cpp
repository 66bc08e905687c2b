#include "bench/xml_reader/module_list_document.h"

#include <cstdio>

namespace {

// Code page 932 text (hex escapes: several trail bytes are ASCII letters,
// "[" and "\").
constexpr const char* kNames[] = {
    "\x83\x72\x83\x85\x81\x5b\x83\x41\x8d\x58\x90\x56",  // ビューア更新
    // ノルタヴィ製品共通
    "\x83\x6d\x83\x8b\x83\x5e\x83\x94\x83\x42\x90\xbb\x95\x69\x8b\xa4\x92\xca",
    "\x83\x5c\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41",  // ソフトウェア
};
constexpr const char* kDescriptions[] = {
    // 表示の不具合を修正しました
    "\x95\x5c\x8e\xa6\x82\xcc\x95\x73\x8b\xef\x8d\x87\x82\xf0\x8f\x43\x90\xb3\x82\xb5\x82\xdc"
    "\x82\xb5\x82\xbd",
    // セキュリティ更新プログラム
    "\x83\x5a\x83\x4c\x83\x85\x83\x8a\x83\x65\x83\x42\x8d\x58\x90\x56\x83\x76\x83\x8d\x83\x4f"
    "\x83\x89\x83\x80",
};

struct ModuleType {
  const char* attribute;
  bool common;
  bool withLogin;
};

constexpr ModuleType kTypes[] = {
    {"normal", false, false},          {"common", true, false},
    {"newVer", false, false},          {"normal;largeFile", false, false},
    {"withLogin;normal", false, true}, {"normal", false, false},
};

// splitmix64: a fixed sequence from a fixed seed.
class Sequence {
 public:
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  unsigned Below(unsigned bound) { return static_cast<unsigned>(Next() % bound); }

 private:
  std::uint64_t state_ = 20090601;
};

std::string Format(const char* format, std::uint64_t a, std::uint64_t b = 0) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, static_cast<unsigned long long>(a),
                static_cast<unsigned long long>(b));
  return buffer;
}

// The description as written (escaped) and its decoded length.
std::string Description(Sequence& sequence, std::size_t& decodedLength) {
  const std::string first = kDescriptions[sequence.Below(2)];
  const std::string second = kDescriptions[sequence.Below(2)];
  const std::string number = Format("%llu", 100000 + sequence.Below(900000));
  // "A & B <KBnnnnnn> "quoted" 'x'" with the five entities.
  std::string escaped = first + " &amp; " + second + " &lt;KB" + number + "&gt; &quot;" +
                        kNames[sequence.Below(3)] + "&quot; &apos;x&apos;";
  // Every entity decodes to one character.
  decodedLength = 0;
  for (std::size_t at = 0; at < escaped.size(); ++at) {
    if (escaped[at] == '&') at = escaped.find(';', at);
    ++decodedLength;
  }
  return escaped;
}

}  // namespace

std::uint64_t ModuleChecksum(std::uint64_t checksum, std::uint64_t id,
                             std::size_t descriptionLength, bool common) {
  checksum = checksum * 31 + id;
  checksum = checksum * 31 + descriptionLength;
  return checksum * 31 + (common ? 1 : 0);
}

ModuleListDocument MakeModuleListDocument(std::size_t minimumBytes) {
  ModuleListDocument document;
  std::string& text = document.text;
  text.reserve(minimumBytes + 4096);
  text += "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";
  text += "<!-- module list of one update-info key -->\r\n";
  text += "<paveOnlineUpdate>\r\n";
  Sequence sequence;
  const std::string closing = "</paveOnlineUpdate>\r\n";
  while (text.size() + closing.size() < minimumBytes) {
    const ModuleType& type = kTypes[sequence.Below(sizeof kTypes / sizeof kTypes[0])];
    const std::uint64_t id = (sequence.Next() >> 20) | 1;
    std::size_t descriptionLength = 0;
    const std::string description = Description(sequence, descriptionLength);
    const std::uint64_t serial = document.modules + 1;

    text += "\t<Q-CharterModule type=\"";
    text += type.attribute;
    text += "\">\r\n\t\t<name>";
    text += kNames[sequence.Below(3)];
    text += Format(" %llu</name>\r\n", serial);
    text += "\t\t<description>" + description + "</description>\r\n";
    text += Format("\t\t<id>%016llX</id>\r\n", id);
    text += Format("\t\t<size>%llu</size>\r\n", 1000 + sequence.Below(200000000));
    text += Format("\t\t<importance>%llu</importance>\r\n", sequence.Below(4));
    // One draw per statement: the order of arguments' evaluation is open.
    const unsigned year = 2005 + sequence.Below(15);
    const unsigned month = 1 + sequence.Below(12);
    const unsigned day = 1 + sequence.Below(28);
    const unsigned hour = sequence.Below(24);
    const unsigned minute = sequence.Below(60);
    text += Format("\t\t<lastWriteTime>%llu.", year);
    text += Format("%02llu.%02llu", month, day);
    text += Format(" %02llu:%02llu</lastWriteTime>\r\n", hour, minute);
    text += Format("\t\t<path type=\"nvdl01\">download/modules/m%llu.exe</path>\r\n", serial);
    text += Format("\t\t<info type=\"page01\">info/%llu.html</info>\r\n", serial);
    text += "\t\t<args>/q /norestart</args>\r\n";
    if (type.withLogin) text += Format("\t\t<code>L%llu</code>\r\n", serial);
    if (type.common) {
      text += "\t\t<target type=\"file\" folder=\"Common\" name=\"viewer.dll\" "
              "version=\"1.2.3.4\"/>\r\n";
    }
    text += "\t</Q-CharterModule>\r\n";

    ++document.modules;
    document.checksum = ModuleChecksum(document.checksum, id, descriptionLength, type.common);
  }
  text += closing;
  return document;
}
