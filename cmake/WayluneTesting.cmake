if(NOT WAYLUNE_TESTS)
  function(waylune_add_test)
  endfunction()
  return()
endif()

# GoogleTest: Debian's package natively; built from /usr/src/googletest for Windows.
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Windows test programs run under Wine, one prefix per build folder.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_SOURCE_DIR}/tools/wine-run.sh --prefix ${CMAKE_BINARY_DIR}/wineprefix)
  set(WAYLUNE_GTEST_LIBS gtest gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  set(WAYLUNE_GTEST_LIBS GTest::gtest GTest::gmock GTest::gtest_main)
endif()

# Every Windows test runs on one X display that a CTest fixture starts
# (when there is no DISPLAY) and stops at the end: the prefix's programs
# share a wineserver and must share a display with it.
if(WIN32)
  set(display ${CMAKE_SOURCE_DIR}/tools/wine-display.sh)
  add_test(NAME wine_display_start COMMAND ${display} start ${CMAKE_BINARY_DIR}/wineprefix)
  add_test(NAME wine_display_stop COMMAND ${display} stop ${CMAKE_BINARY_DIR}/wineprefix)
  set_tests_properties(wine_display_start PROPERTIES FIXTURES_SETUP wine_display LABELS win32)
  set_tests_properties(wine_display_stop PROPERTIES FIXTURES_CLEANUP wine_display LABELS win32)
endif()

# The program's Windows tests share one Wine desktop: the windows they find
# by class or title (a "running instance"), the cursor, the foreground window
# and system settings are the same for all of them, so every test of those
# folders takes turns with the others (a lock CTest keeps). The stage's tests
# show layered windows and read the screen under them: a help viewer another
# test had open stood over one of them. Pictura's, the sound library's and the
# portable tests run beside them.
set(WAYLUNE_DESKTOP_TEST_DIRS services stage objects scene options app)
# At the end of a folder with Windows tests, so the tests it adds by hand
# (scripts, second runs) are covered too.
function(waylune_finish_win32_tests)
  get_property(tests DIRECTORY PROPERTY TESTS)
  if(NOT tests)
    return()
  endif()
  # The screenshot tests bring a display of their own.
  set(shared)
  foreach(test ${tests})
    get_test_property(${test} LABELS labels)
    if(NOT "screen" IN_LIST labels)
      list(APPEND shared ${test})
    endif()
  endforeach()
  if(shared)
    set_tests_properties(${shared} PROPERTIES FIXTURES_REQUIRED wine_display)
  endif()
  # No sound device unless a test asks for one (the sound tests' second
  # runs): the same on every machine, and no driver probes in the logs.
  foreach(test ${tests})
    get_test_property(${test} ENVIRONMENT environment)
    if(NOT environment)
      set_tests_properties(${test} PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=winealsa.drv,winepulse.drv,wineoss.drv=d")
    endif()
  endforeach()
  file(RELATIVE_PATH dir ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(dir IN_LIST WAYLUNE_DESKTOP_TEST_DIRS)
    set_tests_properties(${tests} PROPERTIES RESOURCE_LOCK wine_desktop)
  endif()
endfunction()

# waylune_add_test(name SOURCES a.cpp b.cpp LIBS lib... [LABELS l...] [TIMEOUT s] [LAUNCHER cmd...])
# One CTest test per GoogleTest program; failures name their cases in the log.
function(waylune_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;LAUNCHER" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${WAYLUNE_GTEST_LIBS})
  if(WIN32)
    set(label win32)
  else()
    set(label native)
  endif()
  if(T_LAUNCHER)
    # A launcher (a script that starts the servers a test needs) runs the
    # program, under the emulator when there is one.
    add_test(NAME ${name} COMMAND ${T_LAUNCHER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}> --gtest_color=no)
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  endif()
  get_property(finish_deferred DIRECTORY PROPERTY WAYLUNE_WIN32_TESTS)
  if(WIN32 AND NOT finish_deferred)
    set_property(DIRECTORY PROPERTY WAYLUNE_WIN32_TESTS ON)
    cmake_language(DEFER CALL waylune_finish_win32_tests)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${label};${T_LABELS}" TIMEOUT ${T_TIMEOUT}
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
