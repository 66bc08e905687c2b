#pragma once
// The administrator's settings: base folder, action and balloon. Each comes
// from the command line (where a program has one), else from a policy value
// under HKEY_CURRENT_USER, else from the settings file
// "VORNAClientSettings.ini" in the client data folder, else the default.
// A policy value of another type, or one that cannot be read, counts as
// absent. Nothing is cached: every call reads its sources again.

#include <windows.h>

#include <string>
#include <vector>

inline constexpr wchar_t kDownloadPolicyKey[] =
    L"Software\\Policies\\Nortavi\\PaveOnlineUpdateLI\\Client\\Download";
inline constexpr wchar_t kUpdatePolicyKey[] =
    L"Software\\Policies\\Nortavi\\PaveOnlineUpdateLI\\Client\\Update";
inline constexpr wchar_t kBaseFolderPolicyValue[] = L"BaseFolder";
inline constexpr wchar_t kActionPolicyValue[] = L"Action";
inline constexpr wchar_t kBalloonPolicyValue[] = L"Balloon";

inline constexpr wchar_t kClientSettingsFileName[] = L"VORNAClientSettings.ini";
inline constexpr wchar_t kDownloadSection[] = L"DOWNLOAD";
inline constexpr wchar_t kUpdateSection[] = L"UPDATE";
inline constexpr wchar_t kBaseFolderSettingsKey[] = L"BASEFOLDER";
inline constexpr wchar_t kActionSettingsKey[] = L"ACTION";
inline constexpr wchar_t kBalloonSettingsKey[] = L"BALLOON";

constexpr int kDefaultAction = 1;
constexpr int kDefaultBalloon = 0;
// The buffer of a settings-file text: at most one character less is read.
constexpr DWORD kSettingsStringChars = 100;

// A REG_DWORD policy value of 4 bytes. 87 for a null path; the code of
// opening the key or of reading the value (234 for a longer value); 13 for
// another type. The number is set only on success.
LONG ReadPolicyDword(const wchar_t* path, HKEY hive, const wchar_t* valueName, int& value);

// The settings file's path; empty when the common application data folder is
// unknown or the path would be 260 characters or longer.
std::wstring GetClientSettingsPath();

// A number from the settings file: defaultValue when the file or key is
// missing or the path is unusable, 0 when the text does not start with a
// decimal number.
int ReadSettingsInt(int defaultValue, const wchar_t* section, const wchar_t* key);

// A text from the settings file, cut to 99 characters; empty when missing.
// Returns the number of characters read.
DWORD ReadSettingsString(const wchar_t* section, const wchar_t* key, std::wstring& text);

// The folder downloader's base folder (arguments after the program name),
// with its step-3 log line "BASEFOLDER(ARG|REG|INI) = <folder>". False when
// the program must end: a policy folder longer than 100 characters, or no
// folder anywhere; the matching error-log line has been written then.
bool ReadBaseFolderSetting(const std::vector<std::wstring>& arguments, std::wstring& folder);

// The monitor's action (1 and 2 allow applying updates), with its step-1 log
// line "ACTION(REG|INI) = <value>".
int ReadActionSetting();

// The monitor's balloon setting, with its step-1 log line
// "BALLOON(REG|INI) = <value>".
int ReadBalloonSetting();

// The reboot reminder's balloon setting (arguments after the program name):
// argument, policy, file; no log line.
int ReadRebootBalloonSetting(const std::vector<std::wstring>& arguments);
