// Texture graphs: a graph held as up to 64 texture tiles, each a record of its own named by a
// texture handle and owning (or sharing) one surface data; the table of texture pixel formats and
// the device limits that choose tile sizes.
#pragma once
#include <cstdint>

#include "engine/graphics/graph/graph.h"
#include "engine/graphics/image/color_data.h"
#include "platform/device3d.h"

constexpr int SURFACE3D_TABLE_SIZE = 65536;
constexpr int TEXTURE_FORMAT_COUNT = 9;

struct Surface3DRecord {
  uint32_t check;
  int32_t* deletionNotice;
  uint16_t drawX, drawY;
  uint16_t textureX, textureY;
  uint16_t sourceX, sourceY;
  uint16_t width, height;
  plat::VertexTextured vertices[4];   // top-left, top-right, bottom-left, bottom-right
  uint8_t diagonal[4];
  uint32_t owner;
  uint32_t surfaceData;
};

struct TextureFormat {
  PixelFormatRecord pixelFormat;
  ColorData colorData;
};

struct TextureLimits {
  TextureFormat formats[TEXTURE_FORMAT_COUNT];
  int32_t minSize, maxSize;
  int32_t noSplit;
  int32_t found16;                    // a plain 16-bit format was enumerated
};
extern TextureLimits g_TextureLimits;

int AddSurface3DData(int textureWidth, int textureHeight, int drawX, int drawY, int width, int height, int sourceX,
                     int sourceY, int owner, const Surface3DRecord* parent, int textureX, int textureY,
                     const GraphCreationBytes* create);
Surface3DRecord* GetSurface3DData(int handle);
Surface3DRecord* GetSurface3DDataChecked(int handle);
int DeleteSurface3DData(int handle);
int DeleteAllSurface3DData();
int DeleteAllSurface3DDataIfReady();
int GetSurface3DCount();
int GetSurface3DAreaEnd();
plat::Surface* GetSurface3DTexture(const Surface3DRecord* r);   // the tile's texture surface, or null

// Tile sizes for one dimension of `size` pixels; returns the count. At most 66 sizes are written;
// a count above 64 means more tiles than a graph can hold.
int ChooseTextureSizes(int size, int* sizes, int renderTarget);
int DeriveGraphTextures(GraphRecord* g, int x, int y, int width, int height, const GraphRecord* source);
int TransferImageToTexture(const PictureImage* image, const PictureImage* alpha, const RectI* srcRect, int textureX,
                           int textureY, int tile);
int TransferMovieFrameToTextures(const PictureImage* frame, int alphaInRightHalf, GraphRecord* g);
int RestoreAllSurface3D();
void ReleaseAllSurface3DSurfaces();    // every tile's surfaces, around a device re-creation
void RecreateAllSurface3DSurfaces();   // made again with their colour keys
int UnlockSurface3DData(int handle, const RectI* r);
const ColorData* GetGraphTextureColorData(const GraphCreationBytes* create);
const ColorData* GetTextureColorDataForFlags(int alphaChannel, int alphaTest, int bits32, int renderTarget);

// Enumeration callbacks handed to the 3-D system object.
bool EnumDeviceCallback(const plat::Device3DDesc& desc, void* context);
bool EnumZBufferCallback(const plat::PixelFormat& format, void* context);
bool EnumTextureFormatCallback(const plat::PixelFormat& format, void* context);
