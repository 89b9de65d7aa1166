# The bad-input program: each group of damaged files (and the absurd arguments) is one test, every
# case in a process of its own. Where the display and the renderer can matter (the arguments, the
# movie path, archives, large files, and PNG as the common picture), a group runs on each renderer
# without a display and, where xvfb-run exists, under a virtual X server. The other picture formats
# only differ in their decoders: each renderer without a display, one under X. Sound files never
# reach the renderer: one renderer, with and without a display. That keeps CI's time down.
add_executable(bad_input ${CMAKE_CURRENT_LIST_DIR}/bad_input.cpp ${CMAKE_CURRENT_LIST_DIR}/bad_input_files.cpp)
target_include_directories(bad_input PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(bad_input PRIVATE engine tools_common mp3lame PkgConfig::VLX_VORBISENC Threads::Threads)
vlx_cp932(bad_input)

find_program(VLX_XVFB_RUN_BAD_INPUT xvfb-run)
function(vlx_bad_input_test renderer display group)
  set(name bad_input.${renderer}.${display}.${group})
  if(display STREQUAL "headless")
    add_test(NAME ${name} COMMAND bad_input ${group})
    set_tests_properties(${name} PROPERTIES TIMEOUT 900
      ENVIRONMENT "VLX_RENDERER=${renderer};VLX_HEADLESS=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
  elseif(VLX_XVFB_RUN_BAD_INPUT)
    # X and SDL keep blocks for the life of the process; tracked memory is checked instead.
    add_test(NAME ${name} COMMAND ${VLX_XVFB_RUN_BAD_INPUT} -a $<TARGET_FILE:bad_input> ${group})
    set_tests_properties(${name} PROPERTIES TIMEOUT 900
      ENVIRONMENT "VLX_RENDERER=${renderer};VLX_HEADLESS=0;SDL_AUDIODRIVER=dummy;ASAN_OPTIONS=detect_leaks=0")
  endif()
endfunction()

foreach(renderer full soft nodisplay)
  foreach(group args png movie archive sparse)
    vlx_bad_input_test(${renderer} headless ${group})
    vlx_bad_input_test(${renderer} xvfb ${group})
  endforeach()
  foreach(group jpeg bmp tga dds)
    vlx_bad_input_test(${renderer} headless ${group})
  endforeach()
endforeach()
foreach(group jpeg bmp tga dds)
  vlx_bad_input_test(full xvfb ${group})
endforeach()
foreach(group wav adpcm mp3 ogg)
  vlx_bad_input_test(full headless ${group})
  vlx_bad_input_test(full xvfb ${group})
endforeach()
