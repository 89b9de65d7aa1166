# Plays replays through the game harness: the determinism tests' scripted play is recorded here
# from its own source, on the data set that make-data writes.
target_sources(bench_frame_time PRIVATE ${PROJECT_SOURCE_DIR}/tests/game/determinism/scripted_play.cpp)
target_link_libraries(bench_frame_time PRIVATE game_harness)
add_dependencies(bench_frame_time make-data)
target_compile_definitions(bench_frame_time PRIVATE VLX_MAKE_DATA="$<TARGET_FILE:make-data>")
