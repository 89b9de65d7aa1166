// Temporary: the scene tasks of the title, play starts, pause, intro and results until they land.
#include "game/frontend/frontend.h"

void OpeningTask(int) {}
void TitleScreenTask(int) {}
void QuitGameTask(int) {}
void StartNewGame(int) {}
void ContinueGame(int) {}
void PauseMenuTask(int) {}
void AreaIntroTask(int) {}
void GameOverTask(int) {}
void SaveReplayPromptTask(int) {}
void UpdateCharacterPreview(int) {}
