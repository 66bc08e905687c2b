#pragma once
// Status codes of the web downloader's operations: 0 for success, every
// failure negative (the failure bit is set).

#include <cstdint>

using DownloadStatus = std::int32_t;

constexpr DownloadStatus DownloadStatusValue(std::uint32_t bits) {
  return static_cast<DownloadStatus>(bits);
}

constexpr DownloadStatus DL_OK = 0;
constexpr DownloadStatus DL_INVALID_ARGUMENT = DownloadStatusValue(0x80042000u);
constexpr DownloadStatus DL_OUT_OF_MEMORY = DownloadStatusValue(0x80042001u);
constexpr DownloadStatus DL_UNSUPPORTED_MODULE = DownloadStatusValue(0x80042002u);
constexpr DownloadStatus DL_NOT_CONNECTED = DownloadStatusValue(0x80043000u);
constexpr DownloadStatus DL_DOWNLOAD_FAILED = DownloadStatusValue(0x80043001u);
constexpr DownloadStatus DL_DOWNLOAD_INTERRUPTED = DownloadStatusValue(0x80043002u);
constexpr DownloadStatus DL_SERVICE_BUSY = DownloadStatusValue(0x80043003u);
constexpr DownloadStatus DL_SERVICE_MAINTENANCE = DownloadStatusValue(0x80043004u);
// Base of an HTTP status outside 200..299; the low 12 bits carry the status.
constexpr DownloadStatus DL_HTTP_STATUS = DownloadStatusValue(0x80044000u);
constexpr DownloadStatus DL_BAD_FOLDER_PATH = DownloadStatusValue(0x80045000u);
constexpr DownloadStatus DL_FOLDER_ACCESS_DENIED = DownloadStatusValue(0x80045001u);
constexpr DownloadStatus DL_DISK_FULL = DownloadStatusValue(0x80045002u);
constexpr DownloadStatus DL_NOT_TRUSTED = DownloadStatusValue(0x80045003u);
constexpr DownloadStatus DL_UNKNOWN_ERROR = DownloadStatusValue(0x8004FFFFu);

constexpr bool IsDownloadFailure(DownloadStatus status) { return status < 0; }

constexpr DownloadStatus HttpDownloadStatus(int httpStatus) {
  return DownloadStatusValue(0x80044000u | (static_cast<std::uint32_t>(httpStatus) & 0xFFFu));
}

constexpr bool IsHttpDownloadStatus(DownloadStatus status) {
  return (static_cast<std::uint32_t>(status) & 0xFFFFF000u) == 0x80044000u;
}
