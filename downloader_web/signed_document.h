#pragma once
// Update-information documents: a cabinet signed by the publisher, fetched
// into the info cache folder, unpacked next to itself, and the ".tbl"
// document inside it parsed.

#include <string>

#include "core/xml_document.h"
#include "downloader_web/download_records.h"

// "%TEMP%\{BCECC050-9601-4AE5-9351-B5993A31BEAF}\infos", created when
// missing. Throws CFileException: badPath when the temporary folder cannot
// be told or the path gets too long, genericException when a folder cannot
// be created.
std::wstring InfoCacheFolder();


// Fetches the cabinet at the URL (DownloadToFile), accepts it only when it
// is signed by the publisher, unpacks it and loads the document of the
// cabinet's base name with the extension ".tbl". Throws what DownloadToFile
// throws, CTrustErrorException (the cabinet path and DescribeSource of the
// URL) for a cabinet of another signer, CFileException for local failures.
void FetchSignedDocument(const wchar_t* url, const ProxyCredentials* credentials,
                         CXmlDocument& document);
