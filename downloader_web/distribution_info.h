#pragma once
// The distribution table as the web downloader writes it: every module of
// the run that lies unpacked in the updates folder, one entry of finished
// table text each, put in the updater's order and written as a whole.

#include <string>
#include <vector>

#include "downloader_web/download_records.h"

// name="value", the value with the five XML entities, so that the reader
// gets back exactly what was written.
std::wstring XmlAttribute(const std::wstring& name, const std::wstring& value);

// A text with "&", "<", ">", "'" and the double quote as entities.
std::wstring EscapeXmlText(const std::wstring& text);

// indent TABs, the start tag (with the attributes), the content and the end
// tag, then CR LF. A content that holds tags starts on a line of its own and
// the end tag is indented again.
std::wstring XmlElementText(int indent, const std::wstring& name, const std::wstring& content,
                            const std::wstring& attributes);

struct CDistributionText {
  std::wstring keyName;
  double lastWriteTime = 0;  // OLE date
  std::wstring text;         // the module's whole entry
};

class CDistributionInfo {
 public:
  // Appends the module's entry: key, ID ("%016I64X"), name, date
  // ("YYYY.MM.DD hh:mm") and, in order, its targets.
  void AddModule(const UpdateKeyInfo& key, const UpdateModuleInfo& module);

  // The updater's order: the client's own "vorna..." keys first, "brix..."
  // keys last, and within that by date, oldest first.
  void SortDistribution();

  // The whole table text; empty when there is no module.
  std::wstring TableText() const;

#ifdef _WIN32
  // Replaces the table file with the table in the ANSI code page: written
  // to a temporary file next to it and moved over it, so that a failure
  // keeps the old table and a reader never meets a half-written one.
  // Nothing happens for an empty list. Throws CFileException on failure.
  void WriteDistributionTable(const std::wstring& path) const;
#endif

  int GetCount() const { return static_cast<int>(entries_.size()); }
  const std::vector<CDistributionText>& GetEntries() const { return entries_; }

 private:
  std::vector<CDistributionText> entries_;
};
