# Compares against SDL2's software renderer; only this benchmark links SDL2 for it.
pkg_check_modules(BENCH_DEVICE3D_BASELINE REQUIRED IMPORTED_TARGET sdl2)
target_link_libraries(bench_device3d PRIVATE PkgConfig::BENCH_DEVICE3D_BASELINE)
