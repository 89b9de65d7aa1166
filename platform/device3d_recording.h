// Recording 3-D device for tests: every call made on the object and its devices is appended to
// the script's call list (vertex data copied), then passed on to an inner object (the software
// rasteriser) when one is given, so that a test can check both what was sent and what was drawn.
// The script also makes chosen calls fail and chooses what enumeration reports.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/device3d.h"

namespace plat {

enum : uint32_t {
  CALL_ENUMDEVICES = 1, CALL_ENUMZFORMATS, CALL_CREATEDEVICE, CALL_RELEASEDEVICE, CALL_ENUMTEXTUREFORMATS,
  CALL_SETRENDERTARGET, CALL_SETVIEWPORT, CALL_BEGINSCENE, CALL_ENDSCENE, CALL_SETRENDERSTATE,
  CALL_SETSTAGESTATE, CALL_SETTEXTURE, CALL_SETTRANSFORM, CALL_DRAW, CALL_DRAWINDEXED, CALL_LOAD,
  CALL_RELEASEOBJECT,
};

struct Device3DCall {
  uint32_t op;              // CALL_*
  uint32_t a, b, c;         // state and value; stage, state, value; primitive type, FVF, count; ...
  const void* pointer;      // surface of render target, texture or load destination
  std::vector<uint8_t> vertices;
  std::vector<uint16_t> indices;
  Viewport3D viewport;
};

struct Render3DScript {
  Render3D* inner = nullptr;             // owned by the test; null: calls only recorded
  bool reportDevice = true;              // false: enumeration finds no device
  Device3DDesc desc{DEVICE_KIND_HARDWARE, RENDER_DEPTH_16 | RENDER_DEPTH_32, 0, 1, 1, 4096, 4096, "recording"};
  bool reportZFormat = true;
  bool reportTextureFormats = true;
  bool failCreateDevice = false;
  bool failViewport = false;
  bool failShadeMode = false;
  std::vector<Device3DCall> calls;

  size_t Count(uint32_t op) const {
    size_t n = 0;
    for (const Device3DCall& c : calls) n += c.op == op;
    return n;
  }
};

// The object records into `script`, which must outlive it and every device it creates.
Render3D* Render3DCreateRecording(Render3DScript* script);

}  // namespace plat
