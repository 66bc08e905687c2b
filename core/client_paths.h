#pragma once
// Names of the client's shared files and folders.

// The client data folder, below the common application data folder.
inline constexpr wchar_t kClientDataRelativePath[] = L"Nortavi\\PaveOnlineUpdateLI\\client";

inline constexpr wchar_t kErrorLogFileName[] = L"VORNAError.log";
inline constexpr wchar_t kUpdateLogFileName[] = L"VORNAUpdate.log";
inline constexpr wchar_t kStepLogFileName[] = L"VORNAStep.log";

// What the programs write into the logs' program column.
inline constexpr wchar_t kDownloaderLogName[] = L"VORNADownloader.exe";
inline constexpr wchar_t kUpdaterLogName[] = L"VORNAUpdater.exe";
inline constexpr wchar_t kMonitorLogName[] = L"VORNAMonitor.exe";
