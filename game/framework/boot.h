// The program: start-up with the game's settings and a loading picture, the scene loop (opening,
// title, play; each scene set up by its own routine and run by the frame loop until its root task
// names the next state), shut-down, and the restart when the last state asks for it.
#pragma once
#include <cstdint>

// Fatal start-up errors, shown as "Error:%04d".
enum FatalError : int { kErrorSettings = 23, kErrorRecords = 57, kErrorEngine = 126 };

int GameMain();                     // 0, or -1 when start-up failed
// The program's own start: it works from the folder that holds it when that folder holds the data
// set (desktop launchers start programs anywhere), else from the current folder.
void WorkFromProgramFolder();
int InitSystem();                   // 0, or -1 after a fatal error box
bool LoadResources();               // false, after a box, when the data set cannot be played
void ShutdownSystem();
void PrepareStateRound();
int CheckRecordFiles();             // always 0
void SetupScreenMode();
void UpdateLoadingScreen();         // at most once per 16 ms
void FinishLoadingScreen();
int LoadingPresentCount();
void SetCaptionFromText(int id);
int ShowFatalError(int code);
