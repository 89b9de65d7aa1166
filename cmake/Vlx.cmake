# One static library per source folder, its sources found by glob so that adding a file needs no
# edit here. Japanese literals in the engine and the game are CP932 bytes at run time.
function(vlx_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  if(NOT srcs)
    set(srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  # Kernels in *_avx2.cpp switch their target with a GCC pragma, which clang (the fuzz build) does
  # not apply to intrinsics; there such files are compiled for AVX2 whole. They run only after the
  # CPU check, as with GCC.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    foreach(src ${srcs})
      if(src MATCHES "_avx2\\.cpp$")
        set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mavx2")
      endif()
    endforeach()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC Threads::Threads)
endfunction()

function(vlx_cp932 name)
  target_compile_options(${name} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP932)
endfunction()

# A GoogleTest program for one source folder; every test is registered as "<prefix>.<Suite>.<Test>".
function(vlx_test prefix dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(test_${prefix} ${srcs})
  target_link_libraries(test_${prefix} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(test_${prefix} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  vlx_cp932(test_${prefix})
  # Test code runs little and compiles slowly (assertion macros under the sanitizers): -O1 halves
  # its build time; the code under test keeps the build's own optimisation.
  target_compile_options(test_${prefix} PRIVATE -O1)
  gtest_discover_tests(test_${prefix} TEST_PREFIX "${prefix}." DISCOVERY_MODE PRE_TEST
                       DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600
                       ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
endfunction()
