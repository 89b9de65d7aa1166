# Compares against SDL2's software renderer; only this benchmark links SDL2 for it.
pkg_check_modules(BENCH_GEOMETRY_BASELINE REQUIRED IMPORTED_TARGET sdl2)
target_link_libraries(bench_geometry PRIVATE PkgConfig::BENCH_GEOMETRY_BASELINE)
