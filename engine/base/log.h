// The engine log: "Log.txt" in the start-up folder, CP932 text, CR LF line ends, a "%d:" time stamp
// and indentation tabs per line; the same text (without the time stamp) goes to standard error,
// which stands in for the debugger output. Every writer returns -1 so that a failure path can
// return the writer's result.
#pragma once

int LogFileInitialize();
int LogWrite(const char* text);
int LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int LogIndentIncrease();
int LogIndentDecrease();
void SetLogFileOutputFlag(int flag);
