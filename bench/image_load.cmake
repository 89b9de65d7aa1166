# Writes its sheet with the picture writers; libpng comes with the engine.
target_link_libraries(bench_image_load PRIVATE tools_common)
