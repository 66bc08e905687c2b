#include "core/client_settings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "core/client_paths.h"
#include "core/folders.h"
#include "core/output_log.h"
#include "core/path_text.h"
#include "core/scoped_handle.h"
#include "tests/win/registry_fixture.h"
#include "tests/win/win_test_support.h"

namespace {

// The two error-log texts in code page 932.
const std::string kTooLongBytes =
    "\x83\x74\x83\x48\x83\x8b\x83\x5f\x96\xbc\x82\xaa\x92\xb7\x82\xb7\x82\xac\x82\xdc\x82\xb7"
    "\x81\x42";
const std::string kNoFolderBytes =
    "\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5b\x83\x67\x83\x82\x83\x57\x83\x85\x81\x5b\x83\x8b"
    "\x82\xcc\x8e\xe6\x93\xbe\x90\xe6\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xf0\x8e\x77\x92\xe8"
    "\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42";

constexpr char kProgramColumn[] = "\tVORNAMonitor.exe\t";

// A policy value as an administrator's tool stores it; type REG_NONE means
// no value.
struct Policy {
  DWORD type;
  std::vector<BYTE> data;
};

Policy NoPolicy() { return Policy{REG_NONE, {}}; }
Policy DwordPolicy(DWORD value) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
  return Policy{REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof value)};
}
Policy QwordPolicy(ULONGLONG value) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
  return Policy{REG_QWORD, std::vector<BYTE>(bytes, bytes + sizeof value)};
}
Policy TextPolicy(const std::wstring& text, DWORD type = REG_SZ) {
  const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  return Policy{type, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

class ClientSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    SetLogProgramName(kMonitorLogName);
  }
  void TearDown() override {
    SetLogProgramName(nullptr);
    Reset();
  }

  // No policies, no settings file, no logs.
  static void Reset() {
    DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\Policies\\Nortavi");
    DeleteFolderTree(NortaviDataFolder());
  }

  static void SetPolicy(const wchar_t* keyPath, const wchar_t* name, const Policy& policy) {
    if (policy.type == REG_NONE) return;
    HKEY opened = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0,
                                KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    ScopedRegKey key(opened);
    ASSERT_EQ(::RegSetValueExW(key.Get(), name, 0, policy.type, policy.data.data(),
                               static_cast<DWORD>(policy.data.size())),
              ERROR_SUCCESS);
  }

  // The settings file's bytes (code page 932); null means no file.
  static void WriteSettings(const char* bytes) {
    if (!bytes) return;
    ASSERT_TRUE(CreateFolderTree(GetClientDataFolder()));
    WriteFileBytes(CombinePath(GetClientDataFolder(), kClientSettingsFileName), bytes);
  }

  // The third column of every line, newest first.
  static std::vector<std::string> LogMessages(const wchar_t* fileName) {
    std::vector<std::string> messages;
    for (const std::string& line :
         SplitCrLfLines(ReadFileBytes(CombinePath(GetClientDataFolder(), fileName)))) {
      EXPECT_EQ(line.substr(19, sizeof kProgramColumn - 1), kProgramColumn) << line;
      messages.push_back(line.substr(19 + sizeof kProgramColumn - 1));
    }
    return messages;
  }
};

// Action and the monitor's balloon: policy, else file, else default.
struct MonitorCase {
  const char* what;
  int (*read)();
  Policy policy;
  const char* settingsFile;
  int expected;
  const char* stepLine;
};

TEST_F(ClientSettingsTest, MonitorSettingsTakeTheirSourceInOrder) {
  const MonitorCase cases[] = {
      {"nothing", ReadActionSetting, NoPolicy(), nullptr, 1, "Step 1 : ACTION(INI) = 1"},
      {"string policy, no file", ReadActionSetting, TextPolicy(L"2"), nullptr, 1,
       "Step 1 : ACTION(INI) = 1"},
      {"string policy, file", ReadActionSetting, TextPolicy(L"2"), "[DOWNLOAD]\r\nACTION=3\r\n", 3,
       "Step 1 : ACTION(INI) = 3"},
      {"dword 0 over file", ReadActionSetting, DwordPolicy(0), "[DOWNLOAD]\r\nACTION=1\r\n", 0,
       "Step 1 : ACTION(REG) = 0"},
      {"qword policy", ReadActionSetting, QwordPolicy(2), "[DOWNLOAD]\r\nACTION=5\r\n", 5,
       "Step 1 : ACTION(INI) = 5"},
      {"letters in file", ReadActionSetting, NoPolicy(), "[DOWNLOAD]\r\nACTION=abc\r\n", 0,
       "Step 1 : ACTION(INI) = 0"},
      {"other section", ReadActionSetting, NoPolicy(), "[UPDATE]\r\nACTION=2\r\n", 1,
       "Step 1 : ACTION(INI) = 1"},
      {"balloon nothing", ReadBalloonSetting, NoPolicy(), nullptr, 0, "Step 1 : BALLOON(INI) = 0"},
      {"balloon file", ReadBalloonSetting, NoPolicy(), "[UPDATE]\r\nBALLOON=1\r\n", 1,
       "Step 1 : BALLOON(INI) = 1"},
      {"balloon dword", ReadBalloonSetting, DwordPolicy(0), "[UPDATE]\r\nBALLOON=1\r\n", 0,
       "Step 1 : BALLOON(REG) = 0"},
  };
  for (const MonitorCase& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    const bool action = c.read == ReadActionSetting;
    SetPolicy(action ? kDownloadPolicyKey : kUpdatePolicyKey,
              action ? kActionPolicyValue : kBalloonPolicyValue, c.policy);
    WriteSettings(c.settingsFile);

    EXPECT_EQ(c.read(), c.expected);
    EXPECT_EQ(LogMessages(kStepLogFileName), std::vector<std::string>{c.stepLine});
  }
}

struct BaseFolderCase {
  const char* what;
  std::vector<std::wstring> arguments;
  Policy policy;
  const char* settingsFile;
  bool result;
  std::wstring folder;
  std::vector<std::string> stepLines;
  std::vector<std::string> errorLines;
};

TEST_F(ClientSettingsTest, BaseFolderTakesArgumentPolicyFileAndStopsTheDownloaderWhenItMust) {
  const std::wstring folder100 = L"C:\\" + std::wstring(97, L'h');
  const std::wstring folder101 = L"C:\\" + std::wstring(98, L't');
  const std::string folder100Bytes(folder100.begin(), folder100.end());
  const std::string folder101Bytes(folder101.begin(), folder101.end());
  const std::string longIni = "[DOWNLOAD]\r\nBASEFOLDER=" + std::string(150, 'i') + "\r\n";

  const BaseFolderCase cases[] = {
      {"argument beats policy", {L"/x", L" -BaseFolder = D:\\arg "}, TextPolicy(L"D:\\reg"),
       "[DOWNLOAD]\r\nBASEFOLDER=D:\\ini\r\n", true, L"D:\\arg",
       {"Step 3 : BASEFOLDER(ARG) = D:\\arg"}, {}},
      {"argument beats a too long policy", {L"/basefolder=D:\\arg"}, TextPolicy(folder101), nullptr,
       true, L"D:\\arg", {"Step 3 : BASEFOLDER(ARG) = D:\\arg"}, {}},
      {"argument without =", {L"/basefolder"}, TextPolicy(L"D:\\reg"), nullptr, true, L"D:\\reg",
       {"Step 3 : BASEFOLDER(REG) = D:\\reg"}, {}},
      {"too long argument, policy", {L"/basefolder=" + folder101}, TextPolicy(L"D:\\reg"), nullptr,
       true, L"D:\\reg", {"Step 3 : BASEFOLDER(REG) = D:\\reg"}, {}},
      {"policy of 100 characters", {}, TextPolicy(folder100), nullptr, true, folder100,
       {"Step 3 : BASEFOLDER(REG) = " + folder100Bytes}, {}},
      {"policy of 101 characters", {}, TextPolicy(folder101), "[DOWNLOAD]\r\nBASEFOLDER=D:\\ini\r\n",
       false, L"", {}, {kTooLongBytes + folder101Bytes}},
      {"expandable policy taken literally", {}, TextPolicy(L"%TEMP%\\dist", REG_EXPAND_SZ), nullptr,
       true, L"%TEMP%\\dist", {"Step 3 : BASEFOLDER(REG) = %TEMP%\\dist"}, {}},
      {"dword policy, file", {}, DwordPolicy(1), "[DOWNLOAD]\r\nBASEFOLDER=D:\\ini\r\n", true,
       L"D:\\ini", {"Step 3 : BASEFOLDER(INI) = D:\\ini"}, {}},
      {"long file value cut to 99", {}, NoPolicy(), longIni.c_str(), true,
       std::wstring(99, L'i'), {"Step 3 : BASEFOLDER(INI) = " + std::string(99, 'i')}, {}},
      {"nothing anywhere", {L"/balloon=1"}, NoPolicy(), "[DOWNLOAD]\r\nACTION=1\r\n", false, L"",
       {}, {kNoFolderBytes}},
  };
  for (const BaseFolderCase& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    SetPolicy(kDownloadPolicyKey, kBaseFolderPolicyValue, c.policy);
    WriteSettings(c.settingsFile);

    std::wstring folder = L"untouched";
    EXPECT_EQ(ReadBaseFolderSetting(c.arguments, folder), c.result);
    EXPECT_EQ(folder, c.result ? c.folder : L"untouched");
    EXPECT_EQ(LogMessages(kStepLogFileName), c.stepLines);
    EXPECT_EQ(LogMessages(kErrorLogFileName), c.errorLines);
  }
}

struct RebootBalloonCase {
  const char* what;
  std::vector<std::wstring> arguments;
  Policy policy;
  const char* settingsFile;
  int expected;
};

TEST_F(ClientSettingsTest, RebootReminderBalloonTakesArgumentPolicyFileWithoutLogging) {
  const char* fileSaysOne = "[UPDATE]\r\nBALLOON=1\r\n";
  const RebootBalloonCase cases[] = {
      {"dash argument 1", {L"-balloon=1"}, DwordPolicy(0), "[UPDATE]\r\nBALLOON=0\r\n", 1},
      {"slash upper-case argument 0", {L"/BALLOON=0"}, DwordPolicy(1), fileSaysOne, 0},
      {"argument without =", {L"-balloon"}, DwordPolicy(0), fileSaysOne, 0},
      {"policy dword", {}, DwordPolicy(1), nullptr, 1},
      {"string policy, file", {}, TextPolicy(L"0"), fileSaysOne, 1},
      {"file", {}, NoPolicy(), fileSaysOne, 1},
      {"nothing", {}, NoPolicy(), nullptr, 0},
  };
  for (const RebootBalloonCase& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    SetPolicy(kUpdatePolicyKey, kBalloonPolicyValue, c.policy);
    WriteSettings(c.settingsFile);

    EXPECT_EQ(ReadRebootBalloonSetting(c.arguments), c.expected);
    EXPECT_FALSE(FileExists(CombinePath(GetClientDataFolder(), kStepLogFileName)));
  }
}

TEST_F(ClientSettingsTest, ReadPolicyDwordReportsWin32Codes) {
  int value = -5;
  EXPECT_EQ(ReadPolicyDword(nullptr, HKEY_CURRENT_USER, kActionPolicyValue, value),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadPolicyDword(kDownloadPolicyKey, HKEY_CURRENT_USER, kActionPolicyValue, value),
            ERROR_FILE_NOT_FOUND);
  SetPolicy(kDownloadPolicyKey, kActionPolicyValue, QwordPolicy(2));
  EXPECT_EQ(ReadPolicyDword(kDownloadPolicyKey, HKEY_CURRENT_USER, kActionPolicyValue, value),
            ERROR_MORE_DATA);
  SetPolicy(kDownloadPolicyKey, kActionPolicyValue, TextPolicy(L"2"));
  EXPECT_EQ(ReadPolicyDword(kDownloadPolicyKey, HKEY_CURRENT_USER, kActionPolicyValue, value),
            ERROR_INVALID_DATA);
  EXPECT_EQ(value, -5);
  SetPolicy(kDownloadPolicyKey, kActionPolicyValue, DwordPolicy(2));
  EXPECT_EQ(ReadPolicyDword(kDownloadPolicyKey, HKEY_CURRENT_USER, kActionPolicyValue, value),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 2);
}

}  // namespace
