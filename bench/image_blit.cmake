# Compares against SDL2's blitter and pixman; only this benchmark links them.
pkg_check_modules(BENCH_BLIT_BASELINES REQUIRED IMPORTED_TARGET sdl2 pixman-1)
target_link_libraries(bench_image_blit PRIVATE PkgConfig::BENCH_BLIT_BASELINES)
