# Every harness gets a bounded run as a test; tools/fuzz-long.sh runs them longer.
set(fuzz_flags -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
foreach(lib IN LISTS QUORREL_LAYER_TARGETS)
  target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
endforeach()
file(GLOB harnesses CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(h IN LISTS harnesses)
  get_filename_component(name ${h} NAME_WE)
  add_executable(${name} ${h})
  target_link_libraries(${name} PRIVATE quorrel_core)
  target_compile_options(${name} PRIVATE ${fuzz_flags})
  target_link_options(${name} PRIVATE ${fuzz_flags})
  quorrel_warnings(${name})
  # Each run starts from the committed seeds, copied into the build's corpus folder: the
  # fuzzer adds its finds there, never to the source tree.
  set(corpus ${CMAKE_BINARY_DIR}/corpus/${name})
  file(MAKE_DIRECTORY ${corpus})
  file(GLOB seeds CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name}/*)
  if(seeds)
    file(COPY ${seeds} DESTINATION ${corpus})
  endif()
  add_test(NAME ${name}
           COMMAND ${name} -max_total_time=${QUORREL_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                   -print_final_stats=1 ${corpus})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endforeach()
