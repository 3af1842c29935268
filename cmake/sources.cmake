# Source conventions, so that a new module needs no build edit:
#   <folder>/name.cpp          portable code (builds on every target)
#   <folder>/name_win.cpp      Win32 code (Windows only)
#   app/main_win.cpp           the program's entry
#   tests/host/*_test.cpp      host unit tests        tests/win/*_test.cpp   Windows tests (Wine)
#   tests/e2e/*_test.cpp       end-to-end tests       tests/e2e/driver/*.cpp the driver library
#   tests/fuzz/fuzz_*.cpp      libFuzzer harnesses    bench/*_bench.cpp      host benchmarks
#   bench/win/*_bench.cpp      Windows benchmarks (Wine)
#
# The floors of the program, lowest first, and what each may include: cmake/floors.cmake.
# Each folder is one library that links the floor below it.
include(${CMAKE_CURRENT_LIST_DIR}/floors.cmake)

foreach(dir IN LISTS QUORREL_LAYERS)
  string(REPLACE "/" "_" id ${dir})
  set(QUORREL_${id}_CORE)
  set(QUORREL_${id}_WIN)
  file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  foreach(f IN LISTS found)
    if(f MATCHES "/app/main_win\\.cpp$")
      continue()
    elseif(f MATCHES "_win\\.cpp$")
      list(APPEND QUORREL_${id}_WIN ${f})
    else()
      list(APPEND QUORREL_${id}_CORE ${f})
    endif()
  endforeach()
endforeach()
