// 2-D surfaces: the rectangles a 2-D graph is made of, each over (possibly shared) surface data,
// and the transfer of pictures into them.
#pragma once
#include <cstdint>

#include "engine/graphics/graph/graph.h"
#include "engine/graphics/image/mem_img.h"

constexpr int SURFACE2D_TABLE_SIZE = 32768;

struct Surface2DRecord {
  uint32_t check;
  int32_t* lostFlag;
  uint16_t drawX, drawY;        // where the surface sits in its graph
  uint16_t srcX, srcY;          // where its pixels start within the surface data
  uint16_t width, height;
  uint32_t ownerGraph;
  uint32_t surfaceData;
};

int AddSurface2D(int width, int height, int drawX, int drawY, int ownerGraph, const Surface2DRecord* shareFrom,
                 int srcX, int srcY, const GraphCreationBytes* create);
Surface2DRecord* GetSurface2D(int handle);
int SetSurface2DLostFlagPointer(int handle, int32_t* flag);
int DeleteSurface2D(int handle);
int DeleteAllSurface2D();
int GetSurface2DCount();
int Surface2DHandleFromSlot(int slot);   // -1 for an empty slot
int GetSurface2DAreaEnd();

int CreateGraphSurface2D(GraphRecord* g);
int CreateGraphSurface2DShared(GraphRecord* g, int srcX, int srcY, int width, int height, const GraphRecord* parent);
int FillGraphSurface2D(GraphRecord* g, int red, int green, int blue, int alpha);
int RestoreGraphSurface2D(GraphRecord* g);
int DeleteGraphSurfaces2D(GraphRecord* g);
int RestoreAllSurface2D();

int TransferImageToGraph2D(const PictureImage* image, const PictureImage* alpha, const RectI* rect, int x, int y,
                           GraphRecord* g);
int TransferBaseImageToGraph2D(const PictureImage* image, const PictureImage* alpha, int srcX, int srcY,
                               GraphRecord* g);
int TransferImageToSurface2D(const PictureImage* image, const PictureImage* alpha, int x, int y, int surface);
int TransferPictureToSurface2D(const PictureImage* image, const PictureImage* alpha, const RectI* rect, int x,
                               int y, int surface);
int TransferImageToMemImg(const PictureImage* image, const PictureImage* alpha, MemImg* dst, int srcX, int srcY,
                          int width, int height, int dstX, int dstY);
// Copies the current movie frame into the graph's first part; a frame that carries alpha in its
// lower half goes in as colour (upper half) and alpha.
int TransferMovieFrameToSurface2D(const PictureImage* frame, int needsConversion, int alphaInLowerHalf,
                                  GraphRecord* g);
