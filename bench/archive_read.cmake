# Builds its archive with the writer and compares with zlib's inflate.
find_package(ZLIB REQUIRED)
target_link_libraries(bench_archive_read PRIVATE tools_common ZLIB::ZLIB)
