# Source conventions, so that a new module needs no build edit:
#   <module>/name.cpp          portable code (builds on every target)
#   <module>/name_win.cpp      Win32 code (Windows only)
#   app/main_win.cpp           the program's entry
#   tests/host/*_test.cpp      host unit tests        tests/win/*_test.cpp   Windows tests (Wine)
#   tests/e2e/*_test.cpp       end-to-end tests       tests/e2e/driver/*.cpp the driver library
#   tests/fuzz/fuzz_*.cpp      libFuzzer harnesses    bench/*_bench.cpp      host benchmarks
#   bench/win/*_bench.cpp      Windows benchmarks (Wine)
set(QUORREL_MODULES base app store ui/main ui/toolkit input security exchange)
set(QUORREL_CORE_SOURCES)
set(QUORREL_WIN_SOURCES)
foreach(dir IN LISTS QUORREL_MODULES)
  file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  foreach(f IN LISTS found)
    if(f MATCHES "/app/main_win\\.cpp$")
      continue()
    elseif(f MATCHES "_win\\.cpp$")
      list(APPEND QUORREL_WIN_SOURCES ${f})
    else()
      list(APPEND QUORREL_CORE_SOURCES ${f})
    endif()
  endforeach()
endforeach()
