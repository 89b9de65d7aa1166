// Room graph/: the graph table (this header), graphs held as texture tiles (texture_graph.h) or as
// 2-D surfaces (surface2d.h) over surface data (surface_data.h), graphs made from base images and
// mask handles (graph_from_image.h), and loading picture files into graphs with the graphics
// manager's start, end and restore (graph_load.h). It may use image/, device3d/ (textures), draw/
// (the draw target), screen/ (the graphics manager brings it up), the top headers, and of the base
// its log, memory and handles.
//
// Graphs: the engine's unit of picture, named by graph handles. A graph is held either as texture
// tiles (drawn by the 3-D device) or as 2-D surfaces over surface data (drawn by software).
#pragma once
#include <cstdint>

#include "engine/graphics/draw_state.h"
#include "engine/graphics/image/color_data.h"

constexpr int GRAPH_TABLE_SIZE = 32768;
constexpr int GRAPH_MAX_PARTS = 64;
constexpr int GRAPH_FILE_NAME_SIZE = 64;
constexpr int GRAPH_PATH_SIZE = 256;
constexpr int DRAW_SCREEN_BACK = -2;
constexpr int DRAW_SCREEN_FRONT = -4;

// The bytes that shape a graph's pixel store; copied into each part's surface data.
struct GraphCreationBytes {
  uint8_t texture;
  uint8_t alphaChannel;
  uint8_t drawValid;
  uint8_t systemMemory;
  uint8_t alphaTest;
  uint8_t bitDepth;
  uint8_t palette;
};

struct GraphRecord {
  uint32_t check;
  int32_t* lostFlag;                   // set to 1 when the graph is deleted
  int32_t handle;
  GraphCreationBytes create;           // create.texture: the graph is held as texture tiles
  int32_t loaderOption;
  uint32_t parts[GRAPH_MAX_PARTS];     // 2-D surface handles or texture tile records
  int32_t partCount;
  char fileName[GRAPH_FILE_NAME_SIZE];
  char path[GRAPH_PATH_SIZE];
  int32_t sourceX, sourceY;
  int32_t width, height;
  int32_t movieHandle;                 // -1 when none
  int32_t needsRestore;
  void* ownedBlock;                    // tracked block freed with the graph
  int32_t nameTooLong;                 // name or path did not fit: never reloaded from its file
};

void ResetGraphTable();                // empties the table without deleting (graphics manager start)
int AllocGraphHandle(int width, int height, int textureRequest, int alpha, int palette, GraphRecord** out);
int CreateGraph(int width, int height, int textureRequest, int alpha, int palette);
int CreateBlankGraph(int width, int height);
int SetGraphLostFlagPointer(int graph, int32_t* flag);
int SetGraphImageSource(const PictureImage* image, const PictureImage* alpha, const char* fileName,
                        const RectI* srcRect, int x, int y, int graph, int loaderOption);
int SetGraphRestoreSource(const PictureImage* image, const PictureImage* alpha, const char* fileName, int srcX,
                          int srcY, int graph, int loaderOption);
// Stores name and path bounded; a name or path that does not fit marks the graph never reloaded.
int StoreGraphFileName(GraphRecord* g, const char* name, const char* path);
int GraphFileNameReloadable(const GraphRecord* g);
GraphRecord* GetGraphRecord(int graph);
int GetGraphDimensions(int graph, int* width, int* height);
int GetDrawScreenGraph(int x1, int y1, int x2, int y2, int graph, int flag);
int IsBlendGraphTooSmall(const GraphRecord* g);
int DeleteGraphHandle(int graph, int logFlag);
int DeleteAllGraphHandles(int logFlag);
int RestoreGraphSurfaces(int graph);
int RestoreAllLostGraphs();
int InitializeGraphicsSystem();
int TerminateGraphicsSystem();
int IsTextureDrawAvailable();
int GetScreenModeState(int* width, int* height, int* bits);
int GetGraphCount();
int GetGraphAreaEnd();
int GraphHandleFromSlot(int slot);     // handle of the graph in a slot, -1 when empty
