# The game's frame: the framework's libraries, and the picture writers for the sprite sheet.
target_link_libraries(bench_busiest_frame PRIVATE game_framework game_play game_frontend tools_common)
