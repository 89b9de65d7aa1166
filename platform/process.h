// Starting the running program again. The real back end replaces the process with a fresh run of
// /proc/self/exe with the arguments it was started with (its open files are closed on exec); the
// headless back end only records the request, so tests and the harness can see it was asked for.
// The back end is chosen on first use: headless when the window layer is headless, else real.
#pragma once
#include <string>
#include <vector>

namespace plat {

enum class ProcessBackend { Auto, Real, Headless };
void ProcessSelectBackend(ProcessBackend b);
bool ProcessIsHeadless();                    // the back end in use (chooses it when unset)

// The arguments this process was started with, program name first (empty when unreadable).
std::vector<std::string> ProcessArguments();

// The POSIX folder that holds the running executable (empty when unknown); relative to the folder
// the program started in when its own path is too long for the system.
std::string ProcessExecutableFolder();

// Makes the executable's folder the current folder when `holds`, asked there with paths relative
// to it, says the folder has what the program needs; otherwise the current folder stays. The
// folder's name stays in the system's encoding throughout. True when the program now works from
// its own folder; `problem` tells why the folder could not be entered (or left again), else empty.
bool ProcessWorkFromExecutableFolder(bool (*holds)(), std::string* problem);

// Real: returns only when the new run could not be started (false). Headless: records the request
// and returns true, or false when a test scripted a failure.
bool ProcessRestartSelf();

// Headless record.
int ProcessRestartCount();                   // requests since the last reset
std::vector<std::string> ProcessLastRestartArguments();
void ProcessScriptRestartFailure(bool fail);  // the next requests fail until cleared
void ProcessResetRecord();

}  // namespace plat
