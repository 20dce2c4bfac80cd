# libFuzzer targets. The main build uses g++, so each target compiles its own
# sources with clang's fuzzing runtime when clang is installed; each runs for
# a few seconds under CTest (see README.md for longer runs).
option(PLEXAR_FUZZ "Build the fuzz targets with clang when available" ON)

set(PLEXAR_FUZZ_USABLE FALSE)
if(PLEXAR_FUZZ)
  find_program(PLEXAR_CLANGXX NAMES clang++ clang++-14)
  if(PLEXAR_CLANGXX)
    set(probe ${CMAKE_BINARY_DIR}/fuzz-probe.cpp)
    file(WRITE ${probe}
         "extern \"C\" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n")
    execute_process(
      COMMAND ${PLEXAR_CLANGXX} -fsanitize=fuzzer,address ${probe} -o ${probe}.out
      RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
    if(probe_result EQUAL 0)
      set(PLEXAR_FUZZ_USABLE TRUE)
    endif()
  endif()
  if(PLEXAR_FUZZ_USABLE)
    message(STATUS "Fuzz targets: built with ${PLEXAR_CLANGXX}")
  else()
    message(STATUS "Fuzz targets: SKIPPED (clang++ with libFuzzer not found; install clang and libclang-rt-dev)")
  endif()
endif()

# plexar_fuzzer(<name> MAIN <source> SOURCES <sources...> [ARCHIVE <sources...>]
#               [LIBS <link flags...>] [DEFINES <definitions...>]
#               [FLAGS <compile flags...>] [SEEDS <folders...>])
#
# Builds <name> in the current binary folder and adds the CTest test <name>,
# which fuzzes for five seconds from the seeds it finds at run time. A seed
# folder is a folder under ../shared/corpus, or an absolute path (such as a
# folder of testdata/). New inputs go to a folder of the build; the seed
# folders only seed. SOURCES and ARCHIVE are alike: every source but MAIN
# goes into a static library of the target, so whole libraries can be listed
# and the linker takes only what the target reaches.
function(plexar_fuzzer name)
  if(NOT PLEXAR_FUZZ_USABLE)
    return()
  endif()
  cmake_parse_arguments(ARG "" "MAIN" "SOURCES;ARCHIVE;LIBS;DEFINES;FLAGS;SEEDS" ${ARGN})
  set(flags -std=c++20 -O1 -g -fno-omit-frame-pointer
      -fsanitize=address,undefined -fno-sanitize-recover=undefined -I${CMAKE_SOURCE_DIR})
  foreach(def IN LISTS ARG_DEFINES)
    list(APPEND flags -D${def})
  endforeach()
  list(APPEND flags ${ARG_FLAGS})
  set(objects)
  set(main_object)
  foreach(src IN LISTS ARG_SOURCES ARG_ARCHIVE ARG_MAIN)
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${src})
    set(obj ${CMAKE_CURRENT_BINARY_DIR}/${name}-objects/${rel}.o)
    get_filename_component(obj_dir ${obj} DIRECTORY)
    file(MAKE_DIRECTORY ${obj_dir})
    add_custom_command(
      OUTPUT ${obj}
      COMMAND ${PLEXAR_CLANGXX} ${flags} -fsanitize=fuzzer-no-link -MD -MF ${obj}.d -c ${src} -o ${obj}
      DEPENDS ${src}
      DEPFILE ${obj}.d
      COMMENT "Compiling ${rel} for ${name}"
      VERBATIM)
    if(src STREQUAL ARG_MAIN)
      set(main_object ${obj})
    else()
      list(APPEND objects ${obj})
    endif()
  endforeach()
  # The sources go into an archive, so only what the target reaches is
  # linked and a source may use services the target never calls.
  set(archive ${CMAKE_CURRENT_BINARY_DIR}/${name}-objects/lib${name}.a)
  add_custom_command(
    OUTPUT ${archive}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${archive}
    COMMAND ${CMAKE_AR} qcs ${archive} ${objects}
    DEPENDS ${objects}
    COMMENT "Archiving the sources of ${name}"
    VERBATIM)
  set(fuzzer ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_custom_command(
    OUTPUT ${fuzzer}
    COMMAND ${PLEXAR_CLANGXX} ${flags} -fsanitize=fuzzer ${main_object} ${archive} ${ARG_LIBS} -o ${fuzzer}
    DEPENDS ${main_object} ${archive}
    COMMENT "Linking ${name}"
    VERBATIM)
  add_custom_target(${name}_target ALL DEPENDS ${fuzzer})

  set(seeds)
  foreach(seed IN LISTS ARG_SEEDS)
    if(IS_ABSOLUTE ${seed})
      list(APPEND seeds ${seed})
    else()
      list(APPEND seeds ${CMAKE_SOURCE_DIR}/../shared/corpus/${seed})
    endif()
  endforeach()
  add_test(NAME ${name}
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/run-fuzzer ${fuzzer} ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus ${seeds})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
endfunction()
