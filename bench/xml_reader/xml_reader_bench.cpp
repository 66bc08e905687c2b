// Throughput of the client's XML reader against pugixml on one large module
// list, parsed in place by both, alternately, in one process.
//
// Usage: xml_reader_bench [DOCUMENT_MIB [RUNS]]   (default 32 MiB, 15 runs)
//
// Each run parses a fresh copy of the document (copied outside the timing,
// since both parsers write into their buffer), then walks the tree: it counts
// the module elements and reads each module's "type" attribute and its "id"
// and "description" texts into a checksum. The walk keeps either parser from
// being measured as a lazy no-op and checks that both read the same modules;
// a mismatch ends the program with exit code 1 and no figures.

#include <malloc.h>

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bench/xml_reader/module_list_document.h"
#include "core/xml_document.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Bytes of the heap in use (small blocks and mapped large ones).
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

struct Walk {
  std::size_t modules = 0;
  std::uint64_t checksum = 0;
};

struct Run {
  double parseSeconds = 0;
  double walkSeconds = 0;
  std::size_t heldBytes = 0;  // heap in use after the parse, input copy included
  Walk walk;
};

Walk WalkClientTree(CXmlDocument& document) {
  Walk walk;
  const CXmlNode* root = document.FindElement(&document, "paveOnlineUpdate");
  if (!root) return walk;
  const XmlAtom moduleName = document.GetAtom("Q-CharterModule");
  const XmlAtom typeName = document.GetAtom("type");
  const XmlAtom idName = document.GetAtom("id");
  const XmlAtom descriptionName = document.GetAtom("description");
  for (const CXmlNode* module = root->firstChild; module; module = module->next) {
    if (module->name != moduleName) continue;
    ++walk.modules;
    const std::string* type = module->FindAttribute(typeName);
    std::uint64_t id = 0;
    std::size_t descriptionLength = 0;
    for (const CXmlNode* child = module->firstChild; child; child = child->next) {
      if (!child->firstChild) continue;
      if (child->name == idName) id = std::strtoull(child->firstChild->text.c_str(), nullptr, 16);
      if (child->name == descriptionName) descriptionLength = child->firstChild->text.size();
    }
    walk.checksum = ModuleChecksum(walk.checksum, id, descriptionLength, type && *type == "common");
  }
  return walk;
}

Walk WalkPugiTree(const pugi::xml_document& document) {
  Walk walk;
  const pugi::xml_node root = document.child("paveOnlineUpdate");
  for (pugi::xml_node module = root.child("Q-CharterModule"); module;
       module = module.next_sibling("Q-CharterModule")) {
    ++walk.modules;
    const bool common = std::strcmp(module.attribute("type").value(), "common") == 0;
    const std::uint64_t id = std::strtoull(module.child("id").text().get(), nullptr, 16);
    const std::size_t descriptionLength = std::strlen(module.child("description").text().get());
    walk.checksum = ModuleChecksum(walk.checksum, id, descriptionLength, common);
  }
  return walk;
}

// The client's reader takes its buffer by value and parses it in place; the
// moved-in copy has room for the terminating NUL that it appends, so the
// parse itself copies nothing. The buffer is freed when the load returns.
bool RunClient(const std::string& input, Run& run) {
  const std::size_t baseline = HeapInUse();
  std::string buffer;
  buffer.reserve(input.size() + 1);
  buffer.assign(input);
  CXmlDocument document;

  const Clock::time_point parseStart = Clock::now();
  const bool loaded = document.LoadFromText(std::move(buffer));
  run.parseSeconds = SecondsSince(parseStart);
  run.heldBytes = HeapInUse() - baseline;

  const Clock::time_point walkStart = Clock::now();
  run.walk = WalkClientTree(document);
  run.walkSeconds = SecondsSince(walkStart);
  return loaded;
}

// pugixml's tree points into the buffer, which must live as long as the tree.
// The document is 8-bit code page 932 text; pugixml passes bytes above 0x7F
// through unchanged when told the buffer is UTF-8, so no conversion runs.
bool RunPugi(const std::string& input, Run& run) {
  const std::size_t baseline = HeapInUse();
  std::vector<char> buffer(input.begin(), input.end());
  pugi::xml_document document;

  const Clock::time_point parseStart = Clock::now();
  const pugi::xml_parse_result result = document.load_buffer_inplace(
      buffer.data(), buffer.size(), pugi::parse_default, pugi::encoding_utf8);
  run.parseSeconds = SecondsSince(parseStart);
  run.heldBytes = HeapInUse() - baseline;

  const Clock::time_point walkStart = Clock::now();
  run.walk = WalkPugiTree(document);
  run.walkSeconds = SecondsSince(walkStart);
  return result.status == pugi::status_ok;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Summary {
  double medianMBps, minMBps, maxMBps, medianWalkMs;
  double heldMiB;
};

Summary Summarise(const std::vector<Run>& runs, std::size_t bytes) {
  std::vector<double> rates, walks;
  std::size_t held = 0;
  for (const Run& run : runs) {
    rates.push_back(static_cast<double>(bytes) / run.parseSeconds / 1e6);
    walks.push_back(run.walkSeconds * 1e3);
    held = std::max(held, run.heldBytes);
  }
  return {Median(rates), *std::min_element(rates.begin(), rates.end()),
          *std::max_element(rates.begin(), rates.end()), Median(walks),
          static_cast<double>(held) / (1024.0 * 1024.0)};
}

void PrintRow(const char* reader, const Summary& summary) {
  std::printf("%-10s %12.1f %10.1f %10.1f %10.1f %10.1f\n", reader, summary.medianMBps,
              summary.minMBps, summary.maxMBps, summary.medianWalkMs, summary.heldMiB);
}

}  // namespace

int main(int argc, char** argv) {
  const long mebibytes = argc > 1 ? std::atol(argv[1]) : 32;
  const long runCount = argc > 2 ? std::atol(argv[2]) : 15;
  if (argc > 3 || mebibytes < 1 || runCount < 1) {
    std::fprintf(stderr, "usage: %s [DOCUMENT_MIB [RUNS]]\n", argv[0]);
    return 2;
  }

  const ModuleListDocument document =
      MakeModuleListDocument(static_cast<std::size_t>(mebibytes) * 1024 * 1024);
  const std::size_t bytes = document.text.size();
  std::printf("document: %zu bytes, %zu modules (code page 932, CR LF, entities)\n", bytes,
              document.modules);
  std::printf("runs: %ld per reader after one warm-up each, order alternating\n", runCount);

  std::vector<Run> clientRuns, pugiRuns;
  for (long round = -1; round < runCount; ++round) {
    Run client, pugi;
    const bool clientFirst = round % 2 == 0;
    bool clientLoaded = false, pugiLoaded = false;
    if (clientFirst) clientLoaded = RunClient(document.text, client);
    pugiLoaded = RunPugi(document.text, pugi);
    if (!clientFirst) clientLoaded = RunClient(document.text, client);

    if (!clientLoaded || !pugiLoaded) {
      std::fprintf(stderr, "load failed: client %s, pugixml %s\n", clientLoaded ? "ok" : "FAILED",
                   pugiLoaded ? "ok" : "FAILED");
      return 1;
    }
    if (client.walk.modules != document.modules || pugi.walk.modules != document.modules ||
        client.walk.checksum != document.checksum || pugi.walk.checksum != document.checksum) {
      std::fprintf(stderr,
                   "readers disagree: modules written %zu, client %zu, pugixml %zu; "
                   "checksums %s\n",
                   document.modules, client.walk.modules, pugi.walk.modules,
                   client.walk.checksum == document.checksum &&
                           pugi.walk.checksum == document.checksum
                       ? "agree"
                       : "DIFFER");
      return 1;
    }
    if (round < 0) continue;  // warm-up
    clientRuns.push_back(client);
    pugiRuns.push_back(pugi);
  }

  const Summary client = Summarise(clientRuns, bytes);
  const Summary pugi = Summarise(pugiRuns, bytes);
  std::printf("%-10s %12s %10s %10s %10s %10s\n", "reader", "median MB/s", "min MB/s",
              "max MB/s", "walk ms", "held MiB");
  PrintRow("client", client);
  PrintRow("pugixml", pugi);
  std::printf("ratio client/pugixml (median MB/s): %.3f\n", client.medianMBps / pugi.medianMBps);
  std::printf("modules found: %zu by each reader, checksums agree\n", document.modules);
  return 0;
}
