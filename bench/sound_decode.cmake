# Encodes its own fixtures (LAME, libvorbisenc: never in the engine).
pkg_check_modules(VLX_BENCH_ENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
target_link_libraries(bench_sound_decode PRIVATE mp3lame PkgConfig::VLX_BENCH_ENC)
