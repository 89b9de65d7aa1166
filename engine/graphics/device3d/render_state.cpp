// The render-state cache: setters that send only what changed (flushing the batch first), and the
// blend programs that turn blend mode, transparency, modulation and the blend graph into blend
// factors and texture-stage programs.
#include "engine/graphics/device3d/device3d.h"

#include <cstring>

#include "engine/graphics/graph/surface_data.h"
#include "engine/graphics/graph/texture_graph.h"

const BlendFactorPair BlendFactorTable[9] = {
    {-1, -1}, {plat::BLEND_INVSRCALPHA, plat::BLEND_SRCALPHA}, {plat::BLEND_ONE, plat::BLEND_SRCALPHA},
    {plat::BLEND_ZERO, plat::BLEND_INVDESTCOLOR}, {plat::BLEND_SRCCOLOR, plat::BLEND_ZERO},
    {plat::BLEND_ONE, plat::BLEND_SRCALPHA}, {-1, -1}, {-1, -1}, {plat::BLEND_ONE, plat::BLEND_ZERO},
};

// Stage values: alpha arg 1, alpha arg 2, alpha op, colour arg 1, colour arg 2, colour op.
#define OFF {-1, -1, 1, -1, -1, 1}
#define BG0 {2, 3, 7, -1, 0, 3}
const StageProgramRecord TextureStageProgramTable[24] = {
    {1, {{0, -1, 2, 2, -1, 2}, OFF, OFF, OFF}},   // 0: alpha diffuse, colour texture
    {1, {{2, -1, 2, 2, -1, 2}, OFF, OFF, OFF}},   // 1: alpha texture, colour texture
    {1, {{2, -1, 2, 2, -1, 2}, OFF, OFF, OFF}},   // 2
    {1, {{0, -1, 2, 2, -1, 2}, OFF, OFF, OFF}},   // 3
    {1, {{2, 0, 4, 2, -1, 2}, OFF, OFF, OFF}},    // 4: alpha texture x diffuse, colour texture
    {1, {{2, 0, 4, 2, -1, 2}, OFF, OFF, OFF}},    // 5
    {1, {{0, -1, 2, 2, 0, 4}, OFF, OFF, OFF}},    // 6: alpha diffuse, colour texture x diffuse
    {1, {{2, -1, 2, 2, 0, 4}, OFF, OFF, OFF}},    // 7: alpha texture, colour texture x diffuse
    {1, {{2, -1, 2, 2, 0, 4}, OFF, OFF, OFF}},    // 8
    {1, {{0, -1, 2, 2, 0, 4}, OFF, OFF, OFF}},    // 9
    {1, {{2, 0, 4, 2, 0, 4}, OFF, OFF, OFF}},     // 10: both texture x diffuse
    {1, {{2, 0, 4, 2, 0, 4}, OFF, OFF, OFF}},     // 11
    {2, {BG0, {1, -1, 2, 2, -1, 2}, OFF, OFF}},
    {3, {BG0, {4, 1, 4, 1, -1, 2}, {2, 1, 4, 2, -1, 2}, OFF}},
    {2, {BG0, {2, 1, 4, 2, -1, 2}, OFF, OFF}},
    {2, {BG0, {0, 1, 4, 2, -1, 2}, OFF, OFF}},
    {4, {BG0, {4, 1, 4, 1, -1, 2}, {2, 1, 4, 2, -1, 2}, {0, 1, 4, 1, -1, 2}}},
    {3, {BG0, {2, 1, 4, 2, -1, 2}, {0, 1, 4, 1, -1, 2}, OFF}},
    {2, {BG0, {1, -1, 2, 2, 0, 4}, OFF, OFF}},
    {3, {BG0, {4, 1, 4, 1, -1, 2}, {2, 1, 4, 2, 0, 4}, OFF}},
    {2, {BG0, {2, 1, 4, 2, 0, 4}, OFF, OFF}},
    {2, {BG0, {0, 1, 4, 2, 0, 4}, OFF, OFF}},
    {4, {BG0, {4, 1, 4, 1, -1, 2}, {2, 1, 4, 2, 0, 4}, {0, 1, 4, 1, -1, 2}}},
    {3, {BG0, {2, 1, 4, 2, 0, 4}, {0, 1, 4, 1, -1, 2}, OFF}},
};
// Colour and alpha straight from the vertex: an untextured draw must not read a stage texture.
const StageProgramRecord UntexturedStageProgram = {1, {{0, -1, 2, 0, -1, 2}, OFF, OFF, OFF}};
#undef OFF
#undef BG0

static Device3DRecord* Dev(int device) { return g_Direct3D.object ? GetDevice3D(device) : nullptr; }

// A render state through the cache: nothing when unchanged (and not forced), else flush and send.
static int CachedRenderState(int device, uint32_t state, int32_t* cache, int32_t value, uint32_t sent) {
  Device3DRecord* d = Dev(device);
  if (!d) return -1;
  if (*cache == value && !d->force) return 0;
  FlushVertexBuffer(device);
  if (d->device->SetRenderState(state, sent) != plat::DEV3D_OK) return -1;
  *cache = value;
  return 0;
}

int SetTexturePerspectiveState(int device, int value) {
  Device3DRecord* d = Dev(device);
  return d ? CachedRenderState(device, plat::RS_TEXTUREPERSPECTIVE, &d->texturePerspective, value,
                               static_cast<uint32_t>(value))
           : -1;
}

int SetColorKeyEnableCached(int device, int value) {
  Device3DRecord* d = Dev(device);
  return d ? CachedRenderState(device, plat::RS_COLORKEYENABLE, &d->colorKeyEnable, value, static_cast<uint32_t>(value))
           : -1;
}

int SetZEnableCached(int device, int value) {
  Device3DRecord* d = Dev(device);
  return d ? CachedRenderState(device, plat::RS_ZENABLE, &d->zEnable, value, value == 1 ? 1u : 0u) : -1;
}

int SetZWriteEnableCached(int device, int value) {
  Device3DRecord* d = Dev(device);
  return d ? CachedRenderState(device, plat::RS_ZWRITEENABLE, &d->zWriteEnable, value, static_cast<uint32_t>(value))
           : -1;
}

int SetZFuncCached(int device, int value) {
  Device3DRecord* d = Dev(device);
  return d ? CachedRenderState(device, plat::RS_ZFUNC, &d->zFunc, value, static_cast<uint32_t>(value)) : -1;
}

int SetShadeModeCached(int device, int value) {
  Device3DRecord* d = Dev(device);
  return d ? CachedRenderState(device, plat::RS_SHADEMODE, &d->shadeMode, value, static_cast<uint32_t>(value)) : -1;
}

int SetRenderTargetCached(int device, plat::Surface* target) {
  Device3DRecord* d = Dev(device);
  if (!d) return -1;
  if (!target) target = d->defaultTarget;
  if (target == d->currentTarget && !d->force) return 0;
  FlushVertexBuffer(device);
  if (d->device->SetRenderTarget(target) != plat::DEV3D_OK) return -1;
  d->currentTarget = target;
  return 0;
}

static void SendFilter(Device3DRecord* d, int stages) {
  const uint32_t f = d->filterMode == 1 ? plat::FILTER_LINEAR : plat::FILTER_POINT;
  for (int s = 0; s < stages && s < DEVICE3D_STAGES; ++s) {
    d->device->SetTextureStageState(static_cast<uint32_t>(s), plat::TSS_MAGFILTER, f);
    d->device->SetTextureStageState(static_cast<uint32_t>(s), plat::TSS_MINFILTER, f);
  }
}

int SetTextureStageCached(int device, int filter) {
  Device3DRecord* d = Dev(device);
  if (!d || (filter != 0 && filter != 1)) return -1;
  if (d->filterMode == filter && !d->force) return 0;
  FlushVertexBuffer(device);
  d->filterMode = filter;
  SendFilter(d, d->programmedStages);
  return 0;
}

// Setters that only store: they flush first, then mark the stage program for rebuilding.
int SetDeviceBlendModeCached(int device, int mode, int alphaChannel, int alphaTest) {
  Device3DRecord* d = Dev(device);
  if (!d) return -1;
  if (mode < 0 || mode > 8) return -1;
  if (d->blendMode == mode && d->alphaChannel == alphaChannel && d->alphaTest == alphaTest && !d->force) return 0;
  FlushVertexBuffer(device);
  d->blendMode = mode;
  d->alphaChannel = alphaChannel;
  d->alphaTest = alphaTest;
  d->stageProgramDirty = 1;
  return 0;
}

int SetDeviceTextureCached(int device, plat::Surface* texture) {
  Device3DRecord* d = Dev(device);
  if (!d) return -1;
  if (d->texture == texture && !d->force) return 0;
  FlushVertexBuffer(device);
  if ((d->texture == nullptr) != (texture == nullptr)) d->stageProgramDirty = 1;
  d->texture = texture;
  d->textureDirty = 1;
  return 0;
}

int SetBlendGraphTextureCached(int device, plat::Surface* texture, int border, int range) {
  Device3DRecord* d = Dev(device);
  if (!d) return -1;
  const int b = border == -1 ? d->blendBorder : border, r = range == -1 ? d->blendRange : range;
  if (d->blendTexture == texture && d->blendBorder == b && d->blendRange == r && !d->force) return 0;
  FlushVertexBuffer(device);
  d->blendTexture = texture;
  d->blendBorder = b;
  d->blendRange = r;
  d->stageProgramDirty = 1;
  return 0;
}

int SetColorModulateCached(int device, int value) {
  Device3DRecord* d = Dev(device);
  if (!d) return -1;
  if (d->colorModulate == value && !d->force) return 0;
  FlushVertexBuffer(device);
  d->colorModulate = value;
  d->stageProgramDirty = 1;
  return 0;
}

int SetAlphaModulateCached(int device, int value) {
  Device3DRecord* d = Dev(device);
  if (!d) return -1;
  if (d->alphaModulate == value && !d->force) return 0;
  FlushVertexBuffer(device);
  d->alphaModulate = value;
  d->stageProgramDirty = 1;
  return 0;
}

static void SendRender(Device3DRecord* d, uint32_t state, uint32_t* cache, int32_t value) {
  if (value == -1) {
    if (!d->force) return;
    value = static_cast<int32_t>(*cache);   // forced: the cached value goes again
  }
  if (*cache == static_cast<uint32_t>(value) && !d->force) return;
  d->device->SetRenderState(state, static_cast<uint32_t>(value));
  *cache = static_cast<uint32_t>(value);
}

// The graph texture of a blend-graph program sits on the stage its record samples: stage 2 when
// the graph is cut by alpha test, stage 1 otherwise.
static int BlendGraphTextureStage(const Device3DRecord* d) { return !d->alphaChannel && d->alphaTest ? 2 : 1; }

int ApplyBlendModeStates(int device) {
  Device3DRecord* d = Dev(device);
  if (!d) return -1;
  if (!d->stageProgramDirty && !d->textureDirty && !d->force) return -1;
  FlushVertexBuffer(device);
  plat::Device3D* dev = d->device;
  if (d->textureDirty && !d->stageProgramDirty && !d->force) {
    const int stage = d->blendTexture ? BlendGraphTextureStage(d) : 0;
    dev->SetTexture(static_cast<uint32_t>(stage), d->texture);
    d->stageTexture[stage] = d->texture;
    d->textureDirty = 0;
    return 0;
  }
  const int mode = d->blendMode >= 0 && d->blendMode <= 8 ? d->blendMode : 0;
  int32_t dest = BlendFactorTable[mode].dest, src = BlendFactorTable[mode].src;
  const bool blending = mode != 0 && mode != 6;
  d->stageProgramDirty = 0;
  d->textureDirty = 0;

  StageProgramRecord program{};
  plat::Surface* textures[DEVICE3D_STAGES] = {nullptr, nullptr, nullptr, nullptr};
  int32_t alphaTest = 0, alphaRef = static_cast<int32_t>(d->alphaRef), alphaFunc = static_cast<int32_t>(d->alphaFunc);
  int32_t alphaBlend = blending ? 1 : 0, factor = static_cast<int32_t>(d->textureFactor);
  int vertexType;
  const int a = d->alphaChannel ? 2 : (d->alphaTest ? 1 : 0);
  if (!d->texture) {
    // Every untextured mode takes the colour-only program: a textured program left in place would
    // read its (now unbound) texture instead of the vertex colour.
    d->nothingToDraw = 0;
    vertexType = VERTEX_TYPE_COLOR;
    program = UntexturedStageProgram;
  } else if (!d->blendTexture) {
    d->nothingToDraw = 0;
    vertexType = VERTEX_TYPE_TEXTURED;
    program = TextureStageProgramTable[a + 3 * (d->alphaModulate + 2 * d->colorModulate)];
    textures[0] = d->texture;
    if (d->alphaTest && !d->alphaChannel) {
      alphaTest = 1;
      alphaRef = 0x80;
      alphaFunc = plat::CMP_GREATER;
    } else if (d->alphaChannel && !blending) {
      dest = plat::BLEND_INVSRCALPHA;
      src = plat::BLEND_SRCALPHA;
    }
    alphaBlend = d->alphaChannel || blending ? 1 : 0;
  } else {
    vertexType = VERTEX_TYPE_BLENDED;
    program = TextureStageProgramTable[a + 3 * (d->alphaModulate + 2 * (d->colorModulate + 2))];
    textures[0] = d->blendTexture;
    textures[BlendGraphTextureStage(d)] = d->texture;
    if (!blending) {
      dest = plat::BLEND_INVSRCALPHA;
      src = plat::BLEND_SRCALPHA;
    }
    d->nothingToDraw = d->blendBorder == 255 ? 1 : 0;
    const int border = d->blendBorder < 0 ? 0 : d->blendBorder;
    if (d->blendRange < 2) {
      alphaTest = 1;
      alphaRef = border == 0 && (d->alphaChannel || d->alphaTest) ? 1 : border;
      alphaFunc = plat::CMP_GREATEREQUAL;
      alphaBlend = 0;
      factor = 0x00FFFFFF;
    } else {
      alphaBlend = 1;
      int g, multiplier, shift, op1;
      if (d->blendRange < 65) g = 0x500, multiplier = 0x40, shift = 10, op1 = plat::TOP_MODULATE4X;
      else if (d->blendRange < 129) g = 0x300, multiplier = 0x80, shift = 9, op1 = plat::TOP_MODULATE2X;
      else g = 0x200, multiplier = 0xFF, shift = 8, op1 = plat::TOP_MODULATE;
      const int n = -(border * g / 255), x = n + g;
      int factorAlpha;
      if (x >= g - 0x100) {
        factorAlpha = ((n + 0x100) * multiplier) / 256;
        program.stage[0][2] = plat::TOP_ADD;
      } else {
        factorAlpha = 255 - (x * 255) / (1 << shift);
        program.stage[0][2] = plat::TOP_SUBTRACT;
      }
      program.stage[1][2] = static_cast<int16_t>(op1);
      factor = static_cast<int32_t>((static_cast<uint32_t>(factorAlpha) << 24) | 0xFFFFFF);
    }
  }
  if (vertexType != d->vertexType) {
    d->vertexType = vertexType;
    d->writePointer = d->vertexBuffers[vertexType];
  }

  const bool force = d->force != 0;
  SendRender(d, plat::RS_ALPHAFUNC, &d->alphaFunc, alphaFunc);
  SendRender(d, plat::RS_ALPHAREF, &d->alphaRef, alphaRef);
  SendRender(d, plat::RS_ALPHATESTENABLE, &d->alphaTestEnable, alphaTest);
  SendRender(d, plat::RS_ALPHABLENDENABLE, &d->alphaBlendEnable, alphaBlend);
  SendRender(d, plat::RS_TEXTUREFACTOR, &d->textureFactor, factor);
  SendRender(d, plat::RS_SRCBLEND, &d->srcBlend, src);
  SendRender(d, plat::RS_DESTBLEND, &d->destBlend, dest);

  if (program.count != d->programmedStages) {
    d->programmedStages = program.count;
    SendFilter(d, program.count);
  }
  const int stages = program.count + 1 < DEVICE3D_STAGES ? program.count + 1 : DEVICE3D_STAGES;
  // Sent in the order alpha op, alpha arg 1, alpha arg 2, colour op, colour arg 1, colour arg 2.
  static const int order[6] = {2, 0, 1, 5, 3, 4};
  static const uint32_t stateOf[6] = {plat::TSS_ALPHAARG1, plat::TSS_ALPHAARG2, plat::TSS_ALPHAOP,
                                      plat::TSS_COLORARG1, plat::TSS_COLORARG2, plat::TSS_COLOROP};
  for (int s = 0; s < stages; ++s) {
    if (s >= 2 && program.stage[s - 1][2] == plat::TOP_DISABLE) break;
    if (textures[s] != d->stageTexture[s] || force) {
      dev->SetTexture(static_cast<uint32_t>(s), textures[s]);
      d->stageTexture[s] = textures[s];
    }
    for (int k : order) {
      const int32_t v = program.stage[s][k];
      if (v == -1) continue;
      if (v == d->stageValues[s][k] && !force) continue;
      dev->SetTextureStageState(static_cast<uint32_t>(s), stateOf[k], static_cast<uint32_t>(v));
      d->stageValues[s][k] = v;
    }
  }
  // Untextured drawing leaves no texture bound past the stages it programs either.
  if (!d->texture) {
    for (int s = 2; s < DEVICE3D_STAGES; ++s) {
      if (d->stageTexture[s] || force) {
        dev->SetTexture(static_cast<uint32_t>(s), nullptr);
        d->stageTexture[s] = nullptr;
      }
    }
  }
  return 0;
}

int ApplyDrawStates(int tile, int flags) {
  Device3DRecord* d = CurrentDevice3D();
  if (!d) return -1;
  const int device = g_Direct3D.currentDevice;
  Surface3DRecord* r = tile == -1 ? nullptr : GetSurface3DDataChecked(tile);
  plat::Surface* texture = GetSurface3DTexture(r);
  int alphaChannel = 0, alphaTest = 0, colorKey = 0;
  if (r && (flags & APPLY_TRANSPARENCY)) {
    SurfaceDataRecord* sd = GetSurfaceDataRecord(static_cast<int>(r->surfaceData));
    const int hasAlpha = sd ? sd->create.alphaChannel : 0, hasTest = sd ? sd->create.alphaTest : 0;
    const int mode = g_DrawState.blendMode;
    if (hasAlpha || hasTest) {
      if (mode != 0 && mode != 8) alphaChannel = 1;
      else if (d->filterMode == 1 && !(flags & APPLY_KEEP_ALPHA_TEST)) alphaChannel = 1;
      else alphaChannel = hasAlpha ? 1 : 0, alphaTest = hasTest ? 1 : 0;
    } else {
      colorKey = 1;
    }
  }
  const int colorModulate = (flags & APPLY_COLOR_MODULATE) || (g_DrawState.drawBright & 0xFFFFFF) != 0xFFFFFF ? 1 : 0;
  const int alphaModulate = (flags & APPLY_ALPHA_MODULATE) || g_DrawState.blendMode != 0 ? 1 : 0;
  SetTexturePerspectiveState(device, (flags & APPLY_PERSPECTIVE) ? 1 : 0);
  SetColorModulateCached(device, colorModulate);
  SetAlphaModulateCached(device, alphaModulate);
  SetDeviceTextureCached(device, texture);
  SetShadeModeCached(device, (flags & APPLY_GOURAUD) ? plat::SHADE_GOURAUD : plat::SHADE_FLAT);
  SetDeviceBlendModeCached(device, g_DrawState.blendMode, alphaChannel, alphaTest);
  if (d->stageProgramDirty || d->textureDirty) ApplyBlendModeStates(device);
  SetColorKeyEnableCached(device, colorKey);
  if (flags & APPLY_Z) {
    SetZEnableCached(device, g_DrawState.zEnable);
    SetZWriteEnableCached(device, g_DrawState.zWrite);
    SetZFuncCached(device, g_DrawState.zCompare);
  } else if (d->zEnable) {
    SetZEnableCached(device, 0);
  }
  return 0;
}

int SyncDeviceStates(int fromDevice, int toDevice) {
  Device3DRecord* from = Dev(fromDevice);
  Device3DRecord* to = Dev(toDevice);
  if (!from || !to) return -1;
  SetDeviceBlendModeCached(toDevice, from->blendMode, from->alphaChannel, from->alphaTest);
  SetTextureStageCached(toDevice, from->filterMode);
  SetDeviceTextureCached(toDevice, from->texture);
  ApplyBlendModeStates(toDevice);
  return 0;
}
