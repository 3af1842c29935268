find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB host_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.cpp)
add_executable(host_tests ${host_tests})
target_link_libraries(host_tests PRIVATE quorrel_core GTest::gtest GTest::gtest_main)
quorrel_warnings(host_tests)
gtest_discover_tests(host_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS host)

# Benchmarks print their figures; they are not tests.
find_package(benchmark QUIET)
file(GLOB benches CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
foreach(b IN LISTS benches)
  get_filename_component(name ${b} NAME_WE)
  add_executable(${name} ${b})
  target_link_libraries(${name} PRIVATE quorrel_core)
  if(benchmark_FOUND)
    target_link_libraries(${name} PRIVATE benchmark::benchmark)
  endif()
  quorrel_warnings(${name})
endforeach()

# The test command's own counting: a suite that cannot start must fail the run.
if(NOT QUORREL_SANITIZE)
  add_test(NAME TestCommand.ASuiteThatCannotStartFailsTheRun
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/counting_test.sh)
  set_tests_properties(TestCommand.ASuiteThatCannotStartFailsTheRun PROPERTIES LABELS host TIMEOUT 300)
endif()

# The floors of the source tree (also checked by every build).
if(NOT QUORREL_SANITIZE)
  add_test(NAME Floors.IncludesFollowTheTableAndOnlyStartUpEndsTheProcess
           COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                   -P ${CMAKE_SOURCE_DIR}/cmake/check-layers.cmake)
  set_tests_properties(Floors.IncludesFollowTheTableAndOnlyStartUpEndsTheProcess PROPERTIES LABELS host)
endif()
