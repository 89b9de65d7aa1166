// Graph loading from picture and movie files, the restore of graphs after the display was lost, and
// the graphics manager's start and end.
#pragma once
#include <cstddef>

#include "engine/graphics/graph/graph_from_image.h"

// -1: the colour image failed; 0: colour and alpha images loaded; 1: only the colour image.
// Alpha mode 0: the companion file "name_a.ext"; 1: the alpha memory image; else none.
int LoadImageWithAlphaFile(const char* fileName, const void* memImage, int memSize, int fromMemory,
                           const void* alphaMemImage, int alphaMemSize, int alphaMode, BaseImage* out,
                           BaseImage* alphaOut, int loaderOption);
int MakeAlphaCompanionName(const char* fileName, char* out, size_t outSize);   // 0, or -1 when it does not fit
int LoadGraphFromFile(const char* fileName, int textureRequest, int mirror, int movieOption);
int LoadGraphFileCall(const char* fileName);
int CreateGraphFromImageForScreen(BaseImage* image);

// The restore callback refills every graph whose needs-restore flag is set; null installs
// ReloadGraphsFromFiles. None is set until the engine's start installs the default.
int SetGraphRestoreCallback(void (*callback)());
void ReloadGraphsFromFiles();
int RestoreGraphsAfterLoss();

int InitializeGraphicsManager();
int TerminateGraphicsManager();
int RebuildDisplayAfterReactivation();
