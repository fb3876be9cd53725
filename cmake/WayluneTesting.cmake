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
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${label};${T_LABELS}" TIMEOUT ${T_TIMEOUT}
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
