#pragma once
// Resource numbers of notice_probe (used by notice_probe.rc and the program).

// The notice's template, under the web downloader's number.
#define IDD_NOTICE_PROBE_NOT_TRUSTED 129
// "%sが実行できません。"
#define IDS_NOTICE_PROBE_NOT_RUNNABLE 1213
