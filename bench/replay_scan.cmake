# Scans the replay folder through the game's front end and file helpers.
target_link_libraries(bench_replay_scan PRIVATE game_framework game_play game_frontend)
