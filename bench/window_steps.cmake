# Runs the whole program through the game harness in the real window, on the data set that
# make-data writes.
target_link_libraries(bench_window_steps PRIVATE game_harness)
add_dependencies(bench_window_steps make-data)
target_compile_definitions(bench_window_steps PRIVATE VLX_MAKE_DATA="$<TARGET_FILE:make-data>")
