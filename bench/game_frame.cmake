# Steps the game's own frame: the game libraries on top of the engine; the boss phase's display
# list is drawn on the data set that make-data writes.
target_link_libraries(bench_game_frame PRIVATE game_framework game_play game_frontend)
add_dependencies(bench_game_frame make-data)
target_compile_definitions(bench_game_frame PRIVATE VLX_MAKE_DATA="$<TARGET_FILE:make-data>")
