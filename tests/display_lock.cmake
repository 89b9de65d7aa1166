# Read by CTest after the discovered tests are listed. The tests that open a real window on the
# display take one lock, so that a parallel run never has two of them on one X server at once.
# With a display they reach the X client and GL driver libraries, which keep blocks past exit that
# are not ours.
foreach(test IN LISTS test_engine_base_TESTS test_engine_graphics_TESTS test_game_harness_TESTS test_game_frontend_TESTS)
  if(test MATCHES "^engine_base\\.SdlWindow\\.|XvfbPresent\\.|StagePlayWindow\\.|WholeRun[A-Za-z]*\\.RealWindow")
    set_tests_properties("${test}" PROPERTIES RESOURCE_LOCK x_display ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
  endif()
endforeach()
