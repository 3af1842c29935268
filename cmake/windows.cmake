# --- Win32 layer and the program --------------------------------------------------------
set(QUORREL_WIN_LIBS user32 gdi32 comctl32 comdlg32 shell32 shlwapi ole32 oleaut32 uuid advapi32 msimg32 uxtheme imm32)

if(CMAKE_CROSSCOMPILING)
  # Every Windows executable of the build runs through the Wine test bench of this build tree;
  # a 64-bit build runs in a 64-bit prefix of its own, driven by the 64-bit loader (tools/wine.sh).
  set(QUORREL_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QUORREL_WINDOWS_BUILD windows64)
  else()
    set(QUORREL_WINDOWS_BUILD windows)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/tools/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

if(NOT MSVC)
  # Static, and without the functions nothing calls (cmake/deps.cmake builds the C libraries
  # for that).
  add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
endif()

# Libraries loaded at their first call rather than at every start. comdlg32: when the import
# window first asks for a file (its loading, with what it loads in turn, took about 20 ms of
# each start under Wine, before the program's first instruction). shell32 and shlwapi: the
# tray, the desktop folder, a web page, the log's file; nothing the first window shows.
# (oleaut32, for the log's dates, is looked up by the log itself; ole32 stays an import:
# Wine's input method loads it when the first window is activated anyway.)
# Each entry: the library, then the functions the program calls, with their 32-bit stdcall
# argument sizes. No function with a floating-point argument: mingw's 64-bit delay-load
# thunk does not keep those registers.
set(QUORREL_DELAY_LOADED
  "comdlg32.dll CommDlgExtendedError@0 GetOpenFileNameA@4"
  "shell32.dll DragQueryFileA@16 SHChangeNotify@16 SHGetFolderPathW@20 ShellExecuteA@24 Shell_NotifyIconA@8"
  "shlwapi.dll PathFileExistsA@4")
if(NOT CMAKE_DLLTOOL)
  set(CMAKE_DLLTOOL ${MINGW_PREFIX}-dlltool)
endif()
set(delay_libs "")
foreach(entry IN LISTS QUORREL_DELAY_LOADED)
  string(REPLACE " " ";" entry "${entry}")
  list(POP_FRONT entry dll)
  string(REGEX REPLACE "\\.dll$" "" name ${dll})
  if(MSVC)
    target_link_options(quorrel_base PUBLIC /DELAYLOAD:${dll})
    continue()
  endif()
  # mingw-w64's import library of just these functions, resolved at the first call
  # (libmingwex's __delayLoadHelper2); the full import library stays behind it in the link for
  # test programs that call more. 32-bit names carry their stdcall sizes, 64-bit ones none.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kill_at -k)
  else()
    list(TRANSFORM entry REPLACE "@[0-9]+$" "")
    set(kill_at "")
  endif()
  list(JOIN entry "\n" exports)
  set(def ${CMAKE_BINARY_DIR}/${name}-delay.def)
  set(lib ${CMAKE_BINARY_DIR}/lib${name}-delay.a)
  file(CONFIGURE OUTPUT ${def} CONTENT "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} ${kill_at} --dllname ${dll} --def ${def} --output-delaylib ${lib}
    DEPENDS ${def} VERBATIM)
  list(APPEND delay_libs ${lib})
endforeach()
if(MSVC)
  list(APPEND QUORREL_WIN_LIBS delayimp)
else()
  add_custom_target(delay_imports DEPENDS ${delay_libs})
  add_dependencies(quorrel_base delay_imports)
  list(PREPEND QUORREL_WIN_LIBS ${delay_libs})
endif()
target_link_libraries(quorrel_base PUBLIC ${QUORREL_WIN_LIBS})
add_library(quorrel_win INTERFACE)
target_link_libraries(quorrel_win INTERFACE quorrel_core)

add_executable(Quorrel WIN32 ${CMAKE_SOURCE_DIR}/app/main_win.cpp ${CMAKE_SOURCE_DIR}/res/quorrel.rc)
target_link_libraries(Quorrel PRIVATE quorrel_win)
quorrel_warnings(Quorrel)
set_target_properties(Quorrel PROPERTIES OUTPUT_NAME Quorrel)
# The version block takes the project's version.
configure_file(${CMAKE_SOURCE_DIR}/res/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
target_include_directories(Quorrel PRIVATE ${CMAKE_BINARY_DIR}/generated)
if(MSVC)
  target_link_options(Quorrel PRIVATE /MANIFEST:NO)
else()
  # The shipped exe carries no symbols: they go to Quorrel.debug beside it, which a
  # debugger finds through the debug link.
  add_custom_command(TARGET Quorrel POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug Quorrel.exe Quorrel.debug
    COMMAND ${CMAKE_STRIP} --strip-all Quorrel.exe
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=Quorrel.debug Quorrel.exe
    WORKING_DIRECTORY $<TARGET_FILE_DIR:Quorrel>
    VERBATIM)
endif()
# The resource script pulls in the manifest, icons and pictures.
file(GLOB res_pictures CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.png)
set_source_files_properties(${CMAKE_SOURCE_DIR}/res/quorrel.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/quorrel.manifest;${CMAKE_SOURCE_DIR}/res/app.ico;${CMAKE_SOURCE_DIR}/res/tray.ico;${res_pictures}")

# --- tests ---------------------------------------------------------------------------------
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  # One Xvfb display and one running wineserver for the whole test run, ended by their ids.
  add_test(NAME wine_bench_up COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-bench.sh up ${QUORREL_WINE_DIR} ${QUORREL_WINDOWS_BUILD})
  # Ended by a path relative to the build tree, as people type it; it fails when anything of
  # the prefix is left running.
  file(RELATIVE_PATH wine_dir_relative ${CMAKE_BINARY_DIR} ${QUORREL_WINE_DIR})
  add_test(NAME wine_bench_down COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-bench.sh down ${wine_dir_relative} ${QUORREL_WINDOWS_BUILD}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_bench_up PROPERTIES FIXTURES_SETUP wine LABELS bench)
  set_tests_properties(wine_bench_down PROPERTIES FIXTURES_CLEANUP wine LABELS bench)
endif()

function(quorrel_wine_tests target)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL TRUE LABELS ${ARGN} TIMEOUT 180)
endfunction()

file(GLOB win_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp)
add_executable(win_tests ${win_tests})
target_link_libraries(win_tests PRIVATE quorrel_win gtest gtest_main version)
add_dependencies(win_tests Quorrel)  # the version block test reads the exe
quorrel_warnings(win_tests)
# Small programs that the Windows tests start as child processes, built beside win_tests.exe.
file(GLOB win_test_tools CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/tools/*.cpp)
foreach(tool IN LISTS win_test_tools)
  get_filename_component(name ${tool} NAME_WE)
  add_executable(${name} ${tool})
  target_link_libraries(${name} PRIVATE quorrel_win)
  quorrel_warnings(${name})
  add_dependencies(win_tests ${name})
  if(name STREQUAL "url_probe")
    # Started by the shell in the program's place of a browser: no console window of its own.
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE TRUE)
  endif()
endforeach()
quorrel_wine_tests(win_tests wine)
if(CMAKE_CROSSCOMPILING)
  # The DPI tests again at 150 %, in a Wine prefix of their own made with 144 DPI.
  add_test(NAME dpi150_tests
           COMMAND ${CMAKE_BINARY_DIR}/wine-run $<TARGET_FILE:win_tests> --gtest_filter=Dpi*)
  set_tests_properties(dpi150_tests PROPERTIES
    ENVIRONMENT "QUORREL_WINE_DIR=${CMAKE_BINARY_DIR}/wine-dpi150;QUORREL_LOGPIXELS=144"
    RUN_SERIAL TRUE LABELS wine TIMEOUT 600)
endif()

file(GLOB e2e_driver CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/driver/*.cpp)
add_library(e2e_driver STATIC ${e2e_driver})
target_include_directories(e2e_driver PUBLIC ${CMAKE_SOURCE_DIR}/tests/e2e)
target_link_libraries(e2e_driver PUBLIC quorrel_win gtest)
quorrel_warnings(e2e_driver)
# The Windows tests drop files on windows of their own with the driver's OLE drop.
target_link_libraries(win_tests PRIVATE e2e_driver)

file(GLOB e2e_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.cpp)
add_executable(e2e_tests ${e2e_tests})
target_link_libraries(e2e_tests PRIVATE e2e_driver gtest gtest_main)
target_compile_definitions(e2e_tests PRIVATE QUORREL_EXE_NAME="Quorrel.exe")
add_dependencies(e2e_tests Quorrel)
# The end-to-end tests start some of the Windows tests' small programs too.
foreach(tool IN LISTS win_test_tools)
  get_filename_component(name ${tool} NAME_WE)
  add_dependencies(e2e_tests ${name})
endforeach()
quorrel_warnings(e2e_tests)
quorrel_wine_tests(e2e_tests e2e)

# Benchmarks under Wine print figures; not tests.
file(GLOB win_benches CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/win/*_bench.cpp)
foreach(b IN LISTS win_benches)
  get_filename_component(name ${b} NAME_WE)
  add_executable(${name} ${b})
  target_link_libraries(${name} PRIVATE e2e_driver)
  add_dependencies(${name} Quorrel typing_target)  # the typing bench puts the target in front
  quorrel_warnings(${name})
endforeach()
