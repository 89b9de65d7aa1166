#include "engine/base/base_state.h"

int32_t g_LogOffFlag = 0;
int32_t g_LogDateStampedNameFlag = 0;
int32_t g_LogTimeStampOffFlag = 0;
char g_StartDirectory[START_DIRECTORY_SIZE] = {};
int32_t g_UserWindowFlag = 0;
