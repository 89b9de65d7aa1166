// The engine log: "Log.txt" (or a name with the start date) in the start-up folder, CP932 text,
// CR LF line ends, a "%d:" time stamp and indentation tabs per line; the same text (without the
// time stamp) goes to standard error, which stands in for the debugger output. Every writer
// returns -1 so that a failure path can return the writer's result.
#pragma once

struct TrackedBlockHeader;

int LogFileInitialize();                  // 1
int LogWrite(const char* text);
int LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));   // appends "\n"
int LogIndentIncrease();                  // 0
int LogIndentDecrease();                  // 0; never below 0
int SetLogFileOutputFlag(int flag);       // 0 switches the log off; returns 0
int LogMemoryBlock(const TrackedBlockHeader* block);   // one line describing a tracked block
const char* GetLogFileName();
