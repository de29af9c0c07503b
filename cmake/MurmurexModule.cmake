# murmurex_module(<name> [DIR <folder>] [DEPS <targets...>] [TEST_DEPS <targets...>])
#
# One library per source folder: every *.cpp of the folder (not its subfolders) except *_test.cpp
# goes into the static library <name>; every *_test.cpp goes into the test program <name>_tests,
# registered with CTest. The folder's parent is on the include path, so code includes
# "model/marker_base.h", "engine/util/t_array.h" and so on. Each module is also recorded for the
# layer check (cmake/check_layers.py): its folder, its DEPS and its TEST_DEPS.
function(murmurex_module name)
  cmake_parse_arguments(M "" "DIR" "DEPS;TEST_DEPS" ${ARGN})
  if(NOT M_DIR)
    set(M_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${M_DIR}/*.cpp ${M_DIR}/*.c)
  file(GLOB tests CONFIGURE_DEPENDS ${M_DIR}/*_test.cpp)
  list(REMOVE_ITEM sources ${tests} "")
  add_library(${name} STATIC ${sources})
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${M_DIR})
  string(REPLACE ";" "," deps "${M_DEPS}")
  string(REPLACE ";" "," test_deps "${M_TEST_DEPS}")
  set_property(GLOBAL APPEND PROPERTY MURMUREX_MODULE_LINES "${name} ${rel} deps=${deps} test_deps=${test_deps}")
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${M_DEPS})
  if(MURMUREX_TESTS AND tests)
    add_executable(${name}_tests ${tests})
    target_link_libraries(${name}_tests PRIVATE ${name} ${M_TEST_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
    target_compile_definitions(${name}_tests PRIVATE
      MURMUREX_SOURCE_DIR="${PROJECT_SOURCE_DIR}" MURMUREX_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/testdata")
    gtest_discover_tests(${name}_tests WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# murmurex_benchmark(<name> <sources...> LIBS <targets...>): a Google Benchmark program under bench/.
function(murmurex_benchmark name)
  cmake_parse_arguments(B "" "" "LIBS" ${ARGN})
  add_executable(${name} ${B_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
