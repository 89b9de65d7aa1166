// SDL2 presenter: one renderer on the bound window and one streaming texture in the picture's own
// layout, copied stretched into the destination rectangle.
#include <SDL2/SDL.h>

#include "platform/present/present_backend.h"

namespace plat {
namespace {

SDL_Renderer* g_renderer = nullptr;
SDL_Texture* g_texture = nullptr;
SDL_Window* g_rendererWindow = nullptr;
uint32_t g_textureFormat = 0;
int g_textureWidth = 0, g_textureHeight = 0;

void SdlRelease() {
  if (g_texture) SDL_DestroyTexture(g_texture);
  if (g_renderer) SDL_DestroyRenderer(g_renderer);
  g_texture = nullptr;
  g_renderer = nullptr;
  g_rendererWindow = nullptr;
  g_textureFormat = 0;
}

uint32_t SdlFormatOf(const PixelFormat& f) {
  return SDL_MasksToPixelFormatEnum(static_cast<int>(f.bitCount), f.redMask, f.greenMask, f.blueMask, 0);
}

int SdlShow(const PresentImage& image, int32_t x, int32_t y, int32_t outWidth, int32_t outHeight) {
  SDL_Window* window = static_cast<SDL_Window*>(PresenterWindow());
  if (!window) return -1;
  if (g_rendererWindow != window) {
    SdlRelease();
    g_renderer = SDL_CreateRenderer(window, -1, 0);
    if (!g_renderer) g_renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!g_renderer) return -1;
    g_rendererWindow = window;
  }
  uint32_t format = SdlFormatOf(image.format);
  if (format == SDL_PIXELFORMAT_UNKNOWN) return -1;
  if (!g_texture || format != g_textureFormat || image.width != g_textureWidth || image.height != g_textureHeight) {
    if (g_texture) SDL_DestroyTexture(g_texture);
    g_texture = SDL_CreateTexture(g_renderer, format, SDL_TEXTUREACCESS_STREAMING, image.width, image.height);
    if (!g_texture) return -1;
    g_textureFormat = format;
    g_textureWidth = image.width;
    g_textureHeight = image.height;
  }
  // Nearest-pixel scaling keeps the doubled window an exact copy of each pixel.
  SDL_SetTextureScaleMode(g_texture, SDL_ScaleModeNearest);
  if (SDL_UpdateTexture(g_texture, nullptr, image.pixels, image.pitch) != 0) return -1;
  SDL_SetRenderDrawColor(g_renderer, 0, 0, 0, 255);
  SDL_RenderClear(g_renderer);
  SDL_Rect dst{x, y, outWidth, outHeight};
  if (SDL_RenderCopy(g_renderer, g_texture, nullptr, &dst) != 0) return -1;
  SDL_RenderPresent(g_renderer);
  return 0;
}

}  // namespace

const PresenterOps kSdlPresenterOps = {SdlShow, SdlRelease};

}  // namespace plat
