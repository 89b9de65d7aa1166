// From base images to graphs, graphs that show a region of another graph, and mask handles.
#pragma once
#include <cstdint>

#include "engine/graphics/image/image_loader.h"

// The setting that takes the transparent colour from pixel (0, 0) of each loaded picture; this
// program leaves it 0.
extern int32_t g_TransparentColorFromPicture;

int CreateGraphForBaseImage(const BaseImage* image, const BaseImage* alpha, int textureRequest);
int CreateGraphFromBaseImages(BaseImage* image, BaseImage* alpha, int textureRequest, int mirrorRequest,
                              int mirrorAllowed);
int DeriveGraphRegion(int x, int y, int width, int height, int sourceGraph);
int SetGraphFileName(int graph, const char* name);

// Mask handles (kind 0x40000000, 512 slots): each record owns one tracked data block.
constexpr int MASK_HANDLE_TABLE_SIZE = 512;
int CreateMaskHandle(int width, int height);   // a zeroed width x height byte mask, or -1
int DeleteMaskHandle(int handle);
int MaskHandleFromSlot(int slot);              // -1 when the slot is empty
