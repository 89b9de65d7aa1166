# The bad-input program: every group of damaged files (and the absurd arguments) as one test, on
# each renderer, without a display and, where xvfb-run exists, under a virtual X server. Each case
# runs in a process of its own inside the test. The renderer does not touch sound files, so their
# groups run under the virtual X server on one renderer only, which keeps CI's time down.
add_executable(bad_input ${CMAKE_CURRENT_LIST_DIR}/bad_input.cpp ${CMAKE_CURRENT_LIST_DIR}/bad_input_files.cpp)
target_include_directories(bad_input PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(bad_input PRIVATE engine tools_common mp3lame PkgConfig::VLX_VORBISENC Threads::Threads)
vlx_cp932(bad_input)

set(vlx_bad_input_display_groups args png jpeg bmp tga dds movie archive sparse)
set(vlx_bad_input_sound_groups wav adpcm mp3 ogg)
find_program(VLX_XVFB_RUN_BAD_INPUT xvfb-run)
foreach(renderer full soft nodisplay)
  foreach(group ${vlx_bad_input_display_groups} ${vlx_bad_input_sound_groups})
    add_test(NAME bad_input.${renderer}.headless.${group} COMMAND bad_input ${group})
    set_tests_properties(bad_input.${renderer}.headless.${group} PROPERTIES TIMEOUT 900
      ENVIRONMENT "VLX_RENDERER=${renderer};VLX_HEADLESS=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
    if(VLX_XVFB_RUN_BAD_INPUT AND (group IN_LIST vlx_bad_input_display_groups OR renderer STREQUAL "full"))
      # X and SDL keep blocks for the life of the process; tracked memory is checked instead.
      add_test(NAME bad_input.${renderer}.xvfb.${group}
               COMMAND ${VLX_XVFB_RUN_BAD_INPUT} -a $<TARGET_FILE:bad_input> ${group})
      set_tests_properties(bad_input.${renderer}.xvfb.${group} PROPERTIES TIMEOUT 900
        ENVIRONMENT "VLX_RENDERER=${renderer};VLX_HEADLESS=0;SDL_AUDIODRIVER=dummy;ASAN_OPTIONS=detect_leaks=0")
    endif()
  endforeach()
endforeach()
