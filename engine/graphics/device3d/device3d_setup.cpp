// Direct3D set-up and end, the device records, their re-creation around a reactivation, and the
// state resend after creation.
#include "engine/graphics/device3d/device3d.h"

#include <cstring>

#include "engine/base/log.h"
#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graph/texture_graph.h"
#include "engine/graphics/graphics_hooks.h"
#include "engine/graphics/screen/screen.h"

Direct3DState g_Direct3D;
Device3DRecord g_Device3D[DEVICE3D_COUNT];

const VertexFormatInfo VertexFormatTable[3] = {
    {plat::FVF_COLOR, 20, 3225},
    {plat::FVF_TEXTURED, 28, 2340},
    {plat::FVF_BLENDED, 40, 1638},
};

static Render3DFactory g_Factory = nullptr;

void SetRender3DFactory(Render3DFactory factory) { g_Factory = factory; }

static plat::Render3D* AcquireObject() {
  return g_Factory ? g_Factory(ScreenSurfaceDevice()) : plat::Render3DCreateSoftware(ScreenSurfaceDevice());
}

static void ReleaseObject() {
  delete g_Direct3D.object;
  g_Direct3D.object = nullptr;
}

Device3DRecord* GetDevice3D(int device) {
  if (device < 0 || device >= DEVICE3D_COUNT || !g_Device3D[device].inUse) return nullptr;
  return &g_Device3D[device];
}

Device3DRecord* CurrentDevice3D() { return g_Direct3D.object ? GetDevice3D(g_Direct3D.currentDevice) : nullptr; }

plat::Device3D* GetDeviceObject() {
  Device3DRecord* d = CurrentDevice3D();
  return d ? d->device : nullptr;
}

int Direct3DInUse() { return g_Direct3D.object ? 1 : 0; }
int Direct3DDeviceExists() { return CurrentDevice3D() ? 1 : 0; }

static void PrefillVertexBuffers(Device3DRecord* d) {
  for (int type = 0; type < 3; ++type) {
    const VertexFormatInfo& f = VertexFormatTable[type];
    for (int i = 0; i < f.capacity; ++i) {
      uint8_t* v = d->vertexBuffers[type] + static_cast<size_t>(i) * f.bytes;
      const float z = 0.0f, rhw = 1.0f;
      const uint32_t specular = 0xFFFFFFFF;
      std::memcpy(v + 8, &z, 4);
      std::memcpy(v + 12, &rhw, 4);
      if (type == VERTEX_TYPE_BLENDED) std::memcpy(v + 20, &specular, 4);
    }
  }
}

static void SendBasicStates(Device3DRecord* d) {
  plat::Device3D* dev = d->device;
  for (uint32_t s = 0; s < DEVICE3D_STAGES; ++s) {
    dev->SetTextureStageState(s, plat::TSS_ADDRESS, plat::ADDRESS_CLAMP);
    dev->SetTextureStageState(s, plat::TSS_MAGFILTER, plat::FILTER_POINT);
    dev->SetTextureStageState(s, plat::TSS_MINFILTER, plat::FILTER_POINT);
  }
  dev->SetRenderState(plat::RS_COLORKEYBLENDENABLE, 0);
  dev->SetRenderState(plat::RS_CULLMODE, plat::CULL_NONE);
  dev->SetRenderState(plat::RS_LIGHTING, 0);
  dev->SetRenderState(plat::RS_TEXTUREPERSPECTIVE, 0);
  dev->SetRenderState(plat::RS_SHADEMODE, plat::SHADE_FLAT);
  dev->SetRenderState(plat::RS_COLORKEYENABLE, 0);
  dev->SetRenderState(plat::RS_DITHERENABLE, 0);
}

static void SetDeviceDefaults(Device3DRecord* d) {
  d->alphaTestEnable = d->alphaRef = d->alphaFunc = d->alphaBlendEnable = 0;
  d->textureFactor = d->srcBlend = d->destBlend = 0;
  d->programmedStages = 0;
  // Stage values count as never sent, so that the first program reaches the device whole.
  for (auto& stage : d->stageValues) {
    for (int32_t& v : stage) v = -2;
  }
  d->zEnable = 1;
  d->zWriteEnable = 0;
  d->zFunc = plat::CMP_LESSEQUAL;
  d->shadeMode = plat::SHADE_FLAT;
  d->vertexType = VERTEX_TYPE_TEXTURED;
  d->textureAddress = plat::ADDRESS_CLAMP;
  d->stageProgramDirty = 1;
  d->blendMode = 0;
  d->blendBorder = -1;
  d->pendingCount = 0;
  d->writePointer = d->vertexBuffers[VERTEX_TYPE_TEXTURED];
}

int AddDevice3D(plat::Surface* target) {
  if (!g_Direct3D.object) return -1;
  int slot = 0;
  while (slot < DEVICE3D_COUNT && g_Device3D[slot].inUse) ++slot;
  if (slot == DEVICE3D_COUNT) return -1;
  Device3DRecord* d = &g_Device3D[slot];
  std::memset(d, 0, sizeof(*d));
  LogWrite("３Ｄデバイスを作成します... ");
  plat::Device3D* dev = nullptr;
  if (g_Direct3D.object->CreateDevice(g_Direct3D.deviceDesc.kind, target, &dev) != plat::DEV3D_OK || !dev) {
    return LogWrite("３Ｄデバイスの作成に失敗しました\n");
  }
  d->inUse = 1;
  d->device = dev;
  d->defaultTarget = target;
  PrefillVertexBuffers(d);
  SendBasicStates(d);
  SetDeviceDefaults(d);
  ResetDeviceStates(slot);
  LogWrite("３Ｄデバイスの作成に成功しました\n");
  return slot;
}

int ResetDeviceStates(int device) {
  Device3DRecord* d = GetDevice3D(device);
  if (!g_Direct3D.object || !d) return -1;
  plat::Device3D* dev = d->device;
  d->force = 1;
  plat::Viewport3D vp = d->viewport;
  SetViewportRect(device, &vp);
  SetColorKeyEnableCached(device, d->colorKeyEnable);
  // The sampler defaults: the blend-graph stage reads the second coordinate pair, the others the
  // graph's own.
  static const uint32_t coordIndex[DEVICE3D_STAGES] = {1, 0, 0, 0};
  for (uint32_t s = 0; s < DEVICE3D_STAGES; ++s) {
    dev->SetTextureStageState(s, plat::TSS_ADDRESS, static_cast<uint32_t>(d->textureAddress));
    dev->SetTextureStageState(s, plat::TSS_TEXCOORDINDEX, coordIndex[s]);
  }
  dev->SetRenderState(plat::RS_TEXTUREPERSPECTIVE, static_cast<uint32_t>(d->texturePerspective));
  dev->SetRenderState(plat::RS_SHADEMODE, static_cast<uint32_t>(d->shadeMode));
  dev->SetRenderState(plat::RS_COLORKEYENABLE, static_cast<uint32_t>(d->colorKeyEnable));
  dev->SetRenderState(plat::RS_LIGHTING, static_cast<uint32_t>(d->lighting));
  dev->SetRenderState(plat::RS_CULLMODE, plat::CULL_NONE);
  dev->SetRenderState(plat::RS_DITHERENABLE, 0);
  SetTextureStageCached(device, d->filterMode);
  ApplyBlendModeStates(device);
  SetZEnableCached(device, d->zEnable);
  SetZWriteEnableCached(device, d->zWriteEnable);
  SetZFuncCached(device, d->zFunc);
  SetTexturePerspectiveState(device, d->texturePerspective);
  SetShadeModeCached(device, d->shadeMode);
  d->force = 0;
  return 0;
}

int ReleaseDevice3D(int device) {
  Device3DRecord* d = GetDevice3D(device);
  if (!d) return -1;
  EndSceneIfNeeded(device);
  // The tiles' surfaces go with the device; the records stay for the re-creation.
  ReleaseAllSurface3DSurfaces();
  delete d->device;
  d->device = nullptr;
  LogWrite("Ｄｉｒｅｃｔ３Ｄデバイスを削除しました\n");
  return 0;
}

int DeleteAllDevices3D() {
  for (int i = 0; i < DEVICE3D_COUNT; ++i) {
    Device3DRecord* d = &g_Device3D[i];
    if (!d->inUse) continue;
    delete d->device;
    std::memset(d, 0, sizeof(*d));
    LogWrite("３Ｄデバイスの削除は正常に終了しました\n");
  }
  return 0;
}

int RecreateDevice3D(int device) {
  Device3DRecord* d = GetDevice3D(device);
  if (!g_Direct3D.object || !d) return -1;
  plat::Device3D* dev = nullptr;
  if (g_Direct3D.object->CreateDevice(g_Direct3D.deviceDesc.kind, d->defaultTarget, &dev) != plat::DEV3D_OK || !dev) {
    return LogWrite("３Ｄデバイスの作成に失敗しました\n");
  }
  delete d->device;
  d->device = dev;
  LogWrite("３Ｄデバイスの作成に成功しました\n");
  d->force = 1;
  if (d->currentTarget && d->currentTarget != d->defaultTarget) dev->SetRenderTarget(d->currentTarget);
  d->texture = nullptr;
  for (auto& t : d->stageTexture) t = nullptr;
  d->textureDirty = 1;
  d->stageProgramDirty = 1;
  d->pendingCount = 0;
  d->writePointer = d->vertexBuffers[d->vertexType];
  d->sceneOpen = 0;
  d->blendMode = 0;
  SendBasicStates(d);
  SetTextureStageCached(device, d->filterMode);
  SetColorKeyEnableCached(device, d->colorKeyEnable);
  SetViewportFromRect(&g_DrawState.drawArea);
  ResetDeviceStates(device);
  d->force = 1;
  ApplyBlendModeStates(device);
  RecreateAllSurface3DSurfaces();
  d->force = 0;
  return 0;
}

// Clears the set-up state before a new set-up or after a failed one.
static int FailSetup(int deleteDevices) {
  if (deleteDevices) DeleteAllDevices3D();
  ReleaseObject();
  return -1;
}

int InitializeDirect3D() {
  if (g_Direct3D.object) return -1;
  // The screen's switch says never to make one (always so without a display object).
  if (IsDirect3DDisabled()) return -1;
  LogWrite("Direct3D 関連の初期化を行います\n");
  std::memset(&g_Direct3D, 0, sizeof(g_Direct3D));
  LogWrite("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\n");
  g_Direct3D.object = AcquireObject();
  if (!g_Direct3D.object) return LogWrite("Direct3Dオブジェクトの作成に失敗しました\n");
  LogWrite("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました\n");
  if (g_Direct3D.object->EnumDevices(EnumDeviceCallback, nullptr) != plat::DEV3D_OK || !g_Direct3D.deviceFound) {
    LogWrite("現在の画面モードで使用できる描画デバイスが見つかりませんでした\n");
    return FailSetup(0);
  }
  if (g_Direct3D.object->EnumZBufferFormats(g_Direct3D.deviceDesc.kind, EnumZBufferCallback, nullptr) !=
          plat::DEV3D_OK ||
      !g_Direct3D.zFormatFound) {
    LogWrite("使用可能なＺバッファが見つかりませんでした\n");
    return FailSetup(1);
  }
  const int device = AddDevice3D(GetPrimarySurface());
  if (device < 0) return FailSetup(0);
  g_Direct3D.currentDevice = device;
  plat::Device3D* dev = g_Device3D[device].device;
  for (int s = 3; s >= 0; --s) {
    if (dev->SetTextureStageState(static_cast<uint32_t>(s), plat::TSS_ADDRESS, plat::ADDRESS_CLAMP) != plat::DEV3D_OK &&
        s == 0) {
      return FailSetup(1);
    }
  }
  const int noSplit = g_TextureLimits.noSplit;
  std::memset(&g_TextureLimits, 0, sizeof(g_TextureLimits));
  g_TextureLimits.noSplit = noSplit;
  if (dev->EnumTextureFormats(EnumTextureFormatCallback, nullptr) != plat::DEV3D_OK || !g_TextureLimits.found16) {
    LogWrite("使用可能なテクスチャフォーマットが見つかりませんでした\n");
    return FailSetup(1);
  }
  TextureFormat* f = g_TextureLimits.formats;
  static const int fill[][2] = {{1, 0}, {3, 2}, {4, 2}, {5, 3}, {6, 0}, {7, 1}, {8, 3}};
  for (const auto& p : fill) {
    if (f[p[0]].colorData.bitDepth == 0) f[p[0]] = f[p[1]];
  }
  const plat::Device3DDesc& desc = g_Direct3D.deviceDesc;
  const uint32_t minSize = desc.minTextureWidth < desc.minTextureHeight ? desc.minTextureWidth : desc.minTextureHeight;
  const uint32_t maxSize = desc.maxTextureWidth < desc.maxTextureHeight ? desc.maxTextureWidth : desc.maxTextureHeight;
  g_TextureLimits.minSize = minSize ? static_cast<int32_t>(minSize) : 32;
  g_TextureLimits.maxSize = maxSize ? static_cast<int32_t>(maxSize) : 256;
  g_Direct3D.drawReady = 1;
  g_Direct3D.captureMethod[0] = g_Direct3D.captureMethod[1] = -1;
  g_Direct3D.shapesInSoftware = 0;
  g_Direct3D.cornerDrawFlag = 0;
  // The state was cleared above: the draw colour comes back from the draw state, not from zero.
  UpdateDrawColorCache();
  LogIndentIncrease();
  LogPrintf("テクスチャ最大幅:%u 最小幅:%u ", static_cast<unsigned>(g_TextureLimits.maxSize),
            static_cast<unsigned>(g_TextureLimits.minSize));
  LogPrintf("描画制限: D_D3DPTEXTURECAPS_POW2 = %d  D_D3DPTEXTURECAPS_SQUAREONLY = %d ",
            (desc.triTextureCaps & plat::TEXCAPS_POW2) ? 1 : 0, (desc.triTextureCaps & plat::TEXCAPS_SQUAREONLY) ? 1 : 0);
  LogWrite("テクスチャピクセルフォーマット\n");
  LogWrite("\t通常グラフィック用\n");
  for (int i = 0; i < 2; ++i) {
    const ColorData& c = f[i].colorData;
    LogPrintf("\t\t BIT:%u  RED:%u  GREEN:%u  BLUE:%u ", c.bitDepth, c.redWidth, c.greenWidth, c.blueWidth);
    LogPrintf("\t\t RED:%06x GREEN:%06x BLUE:%06x \n", c.redMask, c.greenMask, c.blueMask);
  }
  LogWrite("\tアルファチャンネル付きグラフィック用\n");
  for (int i = 2; i < 4; ++i) {
    const ColorData& c = f[i].colorData;
    LogPrintf("\t\t BIT:%u  ALPHA:%u  RED:%u  GREEN:%u  BLUE:%u ", c.bitDepth, c.alphaWidth, c.redWidth, c.greenWidth,
              c.blueWidth);
    LogPrintf("\t\t ALPHA:%08x RED:%08x GREEN:%08x BLUE:%08x \n", c.alphaMask, c.redMask, c.greenMask, c.blueMask);
  }
  LogIndentDecrease();
  LogWrite("Direct3D 関連の初期化は正常に終了しました\n");
  g_Direct3D.ready = 1;
  return 0;
}

void TerminateDirect3D() {
  if (!g_Direct3D.object) return;
  LogWrite("Direct3D 関連の終了処理を行います\n");
  EndSceneCurrent();
  g_Direct3D.drawReady = 0;
  Device3DRecord* d = CurrentDevice3D();
  if (d && (d->texture || d->force)) {
    FlushVertexBuffer(g_Direct3D.currentDevice);
    d->texture = nullptr;
    d->textureDirty = 1;
    d->stageProgramDirty = 1;
  }
  DeleteAllSurface3DData();
  DeleteAllDevices3D();
  ReleaseObject();
  LogWrite("Direct3D 関連の終了処理は正常に終了しました\n");
  g_Direct3D.ready = 0;
}

int ReleaseDirect3D() {
  if (!g_Direct3D.ready) return 0;
  ReleaseDevice3D(g_Direct3D.currentDevice);
  LogWrite("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放します\n");
  if (!g_Direct3D.object) {
    LogWrite("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に解放されています\n");
    return 0;
  }
  ReleaseObject();
  LogWrite("Ｄｉｒｅｃｔ３Ｄオブジェクトを解放しました\n");
  return 0;
}

int RestoreDirect3D() {
  if (!g_Direct3D.ready) return 0;
  LogWrite("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\n");
  if (g_Direct3D.object) {
    LogWrite("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に取得されていますn");
    return 0;
  }
  g_Direct3D.object = AcquireObject();
  if (!g_Direct3D.object) return LogWrite("Direct3Dオブジェクトの作成に失敗しました\n");
  LogWrite("Ｄｉｒｅｃｔ３Ｄオブジェクトは正常に取得されました\n");
  Device3DRecord* d = &g_Device3D[g_Direct3D.currentDevice];
  d->defaultTarget = GetPrimarySurface();
  d->currentTarget = GetDrawTargetSurface();
  return RecreateDevice3D(g_Direct3D.currentDevice);
}

// The display rebuild after a reactivation drops the device and makes it again.
void ReleaseDirect3DObjects() { ReleaseDirect3D(); }
void RestoreDirect3DObjects() { RestoreDirect3D(); }
