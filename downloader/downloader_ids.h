#pragma once
// Resource numbers of the folder downloader (used by its .rc files and code).

// "アップデートファイルの署名が不正です。%s": the error-log line of a start
// program that failed its signature check (%s: its path).
#define IDS_START_PROGRAM_NOT_TRUSTED 1000
// "%sが実行できません。": the notice's line for that module (%s: its name).
#define IDS_MODULE_NOT_TRUSTED 1001

// The untrusted-file notice.
#define IDD_FILE_NOT_TRUSTED 130
