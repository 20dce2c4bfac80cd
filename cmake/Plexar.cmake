# plexar_library(<target> DEPS <targets...> [SOURCE_DIRS <dirs...>]
#                [THREAD_TESTS ALL | <test files...>])
#
# One static library per subsystem folder. Sources are the *.cpp files of the
# folder itself (plus any SOURCE_DIRS, relative to it); tests are tests/*.cpp
# and become <target>_tests, run through CTest. A folder without sources yet
# gives an interface library, so dependants can already name it.
#
# THREAD_TESTS names the test files (relative to the folder) that start
# threads; in the ThreadSanitizer build (PLEXAR_TSAN) <target>_tests holds
# only those, and the target thread_tests builds them all.
function(plexar_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCE_DIRS;TEST_DEPS;THREAD_TESTS" ${ARGN})
  set(globs ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(test_globs ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  foreach(dir IN LISTS ARG_SOURCE_DIRS)
    list(APPEND globs ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND test_globs ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/tests/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  file(GLOB test_sources CONFIGURE_DEPENDS ${test_globs})

  if(sources)
    add_library(${target} STATIC ${sources})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()

  if(PLEXAR_TSAN AND NOT ARG_THREAD_TESTS STREQUAL "ALL")
    set(test_sources)
    foreach(file IN LISTS ARG_THREAD_TESTS)
      list(APPEND test_sources ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    endforeach()
  endif()

  if(test_sources)
    if(ARG_THREAD_TESTS)
      set_property(GLOBAL APPEND PROPERTY PLEXAR_THREAD_TEST_TARGETS ${target}_tests)
    endif()
    add_executable(${target}_tests ${test_sources})
    target_link_libraries(${target}_tests PRIVATE ${target} ${ARG_TEST_DEPS}
                          plexar_testsupport GTest::gtest_main GTest::gmock Threads::Threads)
    target_compile_definitions(${target}_tests PRIVATE
      PLEXAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
      PLEXAR_TESTDATA_DIR="${CMAKE_SOURCE_DIR}/testdata"
      PLEXAR_SHARED_DIR="${CMAKE_SOURCE_DIR}/../shared"
      PLEXAR_BINARY_DIR="${CMAKE_BINARY_DIR}")
    plexar_test_printers(${target}_tests)
    gtest_discover_tests(${target}_tests DISCOVERY_MODE PRE_TEST
                         PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# Every test source sees the printers of testsupport/Printers.h first, so
# a failed EXPECT_EQ on texts prints them the same way in every test.
function(plexar_test_printers target)
  target_compile_options(${target} PRIVATE
    "SHELL:-include ${PROJECT_SOURCE_DIR}/testsupport/Printers.h")
endfunction()
