# libgcrypt (digest, AEAD, key derivation) and libpng/zlib (pictures), for every target.

if(QUORREL_TARGET STREQUAL "windows" AND NOT MSVC)
  set(CMAKE_FIND_LIBRARY_SUFFIXES .a)  # the exe carries no DLL of its own
endif()

find_path(GCRYPT_INCLUDE_DIR gcrypt.h REQUIRED)
find_library(GCRYPT_LIBRARY gcrypt REQUIRED)
find_library(GPGERROR_LIBRARY gpg-error REQUIRED)
add_library(quorrel::gcrypt INTERFACE IMPORTED)
target_include_directories(quorrel::gcrypt INTERFACE ${GCRYPT_INCLUDE_DIR})
target_link_libraries(quorrel::gcrypt INTERFACE ${GCRYPT_LIBRARY} ${GPGERROR_LIBRARY})
if(WIN32)
  target_link_libraries(quorrel::gcrypt INTERFACE ws2_32 advapi32)
endif()

add_library(quorrel::png INTERFACE IMPORTED)
if(QUORREL_TARGET STREQUAL "windows" AND NOT MSVC)
  # Debian has no mingw build of libpng: build it here from Debian's libpng1.6 source
  # package, which tools/setup.sh unpacks into .deps/libpng.
  set(QUORREL_LIBPNG_SOURCE "${CMAKE_SOURCE_DIR}/.deps/libpng" CACHE PATH "libpng sources")
  if(NOT EXISTS "${QUORREL_LIBPNG_SOURCE}/png.c")
    message(FATAL_ERROR "libpng sources not found in ${QUORREL_LIBPNG_SOURCE}; run tools/setup.sh")
  endif()
  find_library(ZLIB_STATIC z REQUIRED)
  find_path(ZLIB_INCLUDE zlib.h REQUIRED)
  set(png_dir ${QUORREL_LIBPNG_SOURCE})
  configure_file(${png_dir}/scripts/pnglibconf.h.prebuilt ${CMAKE_BINARY_DIR}/libpng/pnglibconf.h COPYONLY)
  add_library(png_static STATIC
    ${png_dir}/png.c ${png_dir}/pngerror.c ${png_dir}/pngget.c ${png_dir}/pngmem.c
    ${png_dir}/pngpread.c ${png_dir}/pngread.c ${png_dir}/pngrio.c ${png_dir}/pngrtran.c
    ${png_dir}/pngrutil.c ${png_dir}/pngset.c ${png_dir}/pngtrans.c ${png_dir}/pngwio.c
    ${png_dir}/pngwrite.c ${png_dir}/pngwtran.c ${png_dir}/pngwutil.c)
  target_include_directories(png_static PUBLIC ${png_dir} ${CMAKE_BINARY_DIR}/libpng ${ZLIB_INCLUDE})
  target_compile_definitions(png_static PRIVATE PNG_ARM_NEON_OPT=0 PNG_INTEL_SSE_OPT=0)
  target_link_libraries(png_static PUBLIC ${ZLIB_STATIC})
  target_link_libraries(quorrel::png INTERFACE png_static)
else()
  find_package(PNG REQUIRED)
  target_link_libraries(quorrel::png INTERFACE PNG::PNG)
endif()
