// Engine base state that outlives window creation's reset: the log settings, the start-up folder
// and whether the window is the user's own. Set before or during start-up, read by the log.
#pragma once
#include <cstdint>

constexpr int START_DIRECTORY_SIZE = 1024;

extern int32_t g_LogOffFlag;               // 1: the log writes nothing at all
extern int32_t g_LogDateStampedNameFlag;   // 1: the log file's name carries the start date and time
extern int32_t g_LogTimeStampOffFlag;      // 1: log lines carry no "%d:" time stamp
extern char g_StartDirectory[START_DIRECTORY_SIZE];   // start-up folder; empty until start-up
extern int32_t g_UserWindowFlag;           // 1 when the window is the user's own; 0 in this program
