# Cross-compiling the same sources as a 64-bit Windows program with Debian's mingw-w64.
# The shipped program is the 32-bit one; this build runs the Windows tests where the
# machine cannot execute 32-bit programs, and keeps the sources 64-bit clean.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
