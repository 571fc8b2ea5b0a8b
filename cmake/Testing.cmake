# Test helpers. Every test carries the label of its area, so that one area can be
# run alone with `ctest -L <area>`.
include(GoogleTest)

# pk_add_test(<name> LABEL <area...> SOURCES <files...> [LIBS <targets...>])
# One GoogleTest program; its cases are discovered when ctest runs and carry
# every label given (a program that proves two areas is run by either).
function(pk_add_test name)
  cmake_parse_arguments(T "" "" "LABEL;SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    message(FATAL_ERROR "pk_add_test(${name}): LABEL is required")
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  if(TARGET pk_test_main)
    target_link_libraries(${name} PRIVATE pk_test_main)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE PK_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  list(GET T_LABEL 0 first_label)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${first_label}
    DISCOVERY_TIMEOUT 60)
  # The discovery passes properties on as a flat list, so further labels are
  # set by a script that runs after it over the discovered names.
  list(LENGTH T_LABEL label_count)
  if(label_count GREATER 1)
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake")
    file(WRITE ${script}
      "foreach(t IN LISTS ${name}_TESTS)\n"
      "  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${T_LABEL}\")\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
  endif()
endfunction()

# pk_add_test_dir(LABEL <area> [LIBS <targets...>] [EXCLUDE <files...>])
# One test program made of every *.cpp in the calling folder but the excluded
# ones, named after the folder's path below tests/.
function(pk_add_test_dir)
  cmake_parse_arguments(T "" "LABEL" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${T_EXCLUDE})
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(NOT srcs)
    return()
  endif()
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" name "test_${rel}")
  pk_add_test(${name} LABEL ${T_LABEL} SOURCES ${srcs} LIBS ${T_LIBS})
endfunction()

# pk_add_fuzzer(<name> SOURCES <files...> [LIBS <targets...>])
# In a clang build configured with PK_LIBFUZZER=ON, the libFuzzer program of
# one fuzz entry (the entry's file defines LLVMFuzzerTestOneInput when
# PK_LIBFUZZER is defined); in any other build nothing: the test programs run
# the same entries for a fixed budget.
function(pk_add_fuzzer name)
  if(NOT PK_LIBFUZZER)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_definitions(${name} PRIVATE PK_LIBFUZZER)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# pk_own_strings_module(<file>): a module carrying the driver libraries' own
# strings, for tests that set up a library's module state; the target
# <file's name>_module makes it.
function(pk_own_strings_module file)
  add_custom_command(
    OUTPUT ${file}
    COMMAND pkrc --module ${file} ${PK_LIBRARY_RESOURCES}
    DEPENDS pkrc ${PK_LIBRARY_RESOURCES})
  get_filename_component(name ${file} NAME_WE)
  add_custom_target(${name}_module DEPENDS ${file})
endfunction()
