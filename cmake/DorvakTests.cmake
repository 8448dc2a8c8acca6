# The test programs. Declare one in tests/<folder>/CMakeLists.txt with
#
#   dorvak_test_program(NAME SOURCES files... LIBS targets... [GTEST_MAIN]
#                       [PROPERTIES name value...])
#
# GTEST_MAIN links GoogleTest's main; without it a source brings its own
# (the Qt tests start an application first). PROPERTIES go to every test
# of the program (FIXTURES_REQUIRED pgserver: the tests' PostgreSQL
# server). CTest finds the tests by listing them after the link, and runs
# them on the offscreen platform.
#
# A test program's own code is compiled at -O1: it is checks, not what is
# checked (the libraries keep -O2), and optimizing it at -O2 took a third of
# its compile time.
find_package(GTest REQUIRED)
# Where the tests' PostgreSQL server keeps its folder and connection text.
set(DORVAK_TEST_PG_DIR ${CMAKE_BINARY_DIR}/pgtest)
include(GoogleTest)

function(dorvak_test_program name)
  cmake_parse_arguments(T "GTEST_MAIN" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  if(T_GTEST_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  dorvak_warnings(${name})
  target_compile_options(${name} PRIVATE $<$<CONFIG:RelWithDebInfo>:-O1>)
  if(DORVAK_UNITY_BUILD AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # In a batch a test file is an included file, and GCC takes its fixture
    # in an anonymous namespace for one declared in a header.
    target_compile_options(${name} PRIVATE -Wno-subobject-linkage)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${T_PROPERTIES})
endfunction()
