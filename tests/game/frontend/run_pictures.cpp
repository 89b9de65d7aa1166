#include "run_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "engine/engine.h"
#include "platform/input/scripted/scripted_input.h"
#include "platform/present.h"
#include "platform/window.h"
#include "tools/common/picture_writer.h"
#include "x_readback.h"

Pixels PresentedPicture() {
  plat::PresentedFrame f{};
  Pixels out;
  if (!plat::PresenterLastFrame(&f) || !f.pixels || f.format.bitCount != 32 || f.width != 640 || f.height != 480) {
    return out;
  }
  out.resize(640u * 480u);
  for (int y = 0; y < 480; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(f.pixels + size_t(y) * size_t(f.pitch));
    for (int x = 0; x < 640; ++x) out[size_t(y) * 640u + size_t(x)] = row[x] & 0xFFFFFF;
  }
  return out;
}

Pixels MainWindowFromX() {
  const auto id = static_cast<plat::WindowId>(reinterpret_cast<uintptr_t>(GetMainWindowHwndLocked()));
  return ReadWindowBackFromX(plat::WindowNativeHandle(id), 640, 480);
}

void KeepPng(const Pixels& p, const std::string& name) {
  if (p.size() != 640 * 480) return;
  const char* dir = std::getenv("VLX_TEST_ARTIFACTS");
  std::error_code ignored;
  if (dir) std::filesystem::create_directories(dir, ignored);
  const std::string path = std::filesystem::absolute(std::string(dir ? dir : ".") + "/" + name).string();
  std::vector<uint8_t> rows;
  rows.reserve(p.size() * 3);
  for (uint32_t c : p) rows.insert(rows.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  const std::vector<uint8_t> png = WritePng(PngSpec{640, 480, 8, 2, false, {}, {}, rows});
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(png.data(), 1, png.size(), f);
    std::fclose(f);
  }
}
