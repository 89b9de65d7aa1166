# Steps the game's own frame: the game libraries on top of the engine.
target_link_libraries(bench_game_frame PRIVATE game_framework game_play game_frontend)
