// Room draw/: the draw dispatch every public draw goes through (this header), selecting the draw
// target, the software draw-target bracket and the software draws over whole targets
// (draw_target.h), and what the draws need of the screen, masks and movies (draw_services.h). It
// may use device3d/, graph/, image/, mask/, screen/, the top headers, softrender/, and of the base
// its log, memory and string helpers.
//
// The draw dispatch: the bracket every graph and shape draw shares, the choice between the 3-D
// device and the software renderer, the subtract emulation on the device, and the draw target with
// the device's 2-D camera. The public draws are declared in engine/graphics/operations.h.
#pragma once
#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "engine/graphics/draw_state.h"

// Float to int toward zero; values beyond int's range saturate instead of being undefined.
inline int TruncToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return static_cast<int>(-2147483647 - 1);
  return static_cast<int>(v);
}

// Positions, corners and radii of draws and screen captures lie within +-DRAW_COORD_LIMIT. Past it
// nothing can land on a target (targets and graphs are far smaller), while sums of a position and
// a size would leave int: such calls are refused with -1 before any arithmetic.
constexpr int64_t DRAW_COORD_LIMIT = int64_t{1} << 24;
inline bool CoordsInReach(std::initializer_list<int64_t> values) {
  for (int64_t v : values)
    if (v < -DRAW_COORD_LIMIT || v > DRAW_COORD_LIMIT) return false;
  return true;
}
inline bool CoordsInReachF(std::initializer_list<double> values) {
  for (double v : values)
    if (!(v >= -static_cast<double>(DRAW_COORD_LIMIT) && v <= static_cast<double>(DRAW_COORD_LIMIT))) return false;
  return true;
}

int DrawGraphRotated(float x, float y, double scale, double angle, int graph, int trans, int turn);
// Corners top-left, top-right, bottom-right, bottom-left.
int DrawGraphFourCorners(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                         int trans);
int DrawGraphRectPart(int x, int y, int srcX, int srcY, int w, int h, int graph, int trans, int turn);
int DrawGraphRectStretched(int x1, int y1, int x2, int y2, int srcX, int srcY, int srcW, int srcH, int graph,
                           int trans);
int DrawFilledBox(int x1, int y1, int x2, int y2, uint32_t colour);
int DrawBoxOutline(int x1, int y1, int x2, int y2, uint32_t colour);

int BeginSubtractBlend3D(const RectI* r);
int EndSubtractBlend3D(const RectI* r);
int UpdateMovieOverlay(int x, int y, int movie, int show, int magnification);

// Row-major, translation in the fourth row, points as row vectors.
struct DrawMatrices {
  Matrix4 world, view, projection, viewport;
  Matrix4 combined;                 // world x view x projection x viewport
  Matrix4 viewRotationTranspose;    // upper-left 3 x 3 of the view, transposed, bordered by zeros
};
extern DrawMatrices g_DrawMatrices;
int SetWorldMatrix(const Matrix4* m);
int SetViewMatrix(const Matrix4* m);
int SetProjectionMatrix(const Matrix4* m);
void UpdateCombinedMatrix();
int BuildLookAtMatrix(Matrix4* out, const float eye[3], const float at[3], const float up[3]);
