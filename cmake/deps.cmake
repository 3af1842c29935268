# libgcrypt (digest, AEAD, key derivation) and libpng/zlib (pictures), for every target.

add_library(quorrel::gcrypt INTERFACE IMPORTED)
add_library(quorrel::png INTERFACE IMPORTED)

if(QUORREL_TARGET STREQUAL "windows" AND NOT MSVC)
  # The exe carries no DLL of its own, and only what it uses of each library: tools/setup.sh
  # builds libgcrypt and libgpg-error from Debian's source packages with only the algorithms
  # the program calls (tools/build-crypto.sh) and unpacks Debian's libpng and zlib sources,
  # compiled here. Each is compiled with a section per function, which the link drops when
  # nothing reaches it (--gc-sections, cmake/windows.cmake).
  set(deps ${CMAKE_SOURCE_DIR}/.deps)
  set(QUORREL_CRYPTO_PREFIX "${deps}/mingw/${CMAKE_SYSTEM_PROCESSOR}" CACHE PATH "libgcrypt built for this target")
  set(QUORREL_LIBPNG_SOURCE "${deps}/libpng" CACHE PATH "libpng sources")
  set(QUORREL_ZLIB_SOURCE "${deps}/zlib" CACHE PATH "zlib sources")
  foreach(need ${QUORREL_CRYPTO_PREFIX}/lib/libgcrypt.a ${QUORREL_CRYPTO_PREFIX}/lib/libgpg-error.a
               ${QUORREL_LIBPNG_SOURCE}/png.c ${QUORREL_ZLIB_SOURCE}/inflate.c)
    if(NOT EXISTS ${need})
      message(FATAL_ERROR "${need} not found; run tools/setup.sh")
    endif()
  endforeach()
  set(dep_flags -ffunction-sections -fdata-sections)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # No unwind tables in the 32-bit C libraries (no C++ exception crosses them): the PE
    # linker keeps every .eh_frame, and one holds on to every function of its file.
    list(APPEND dep_flags -fno-asynchronous-unwind-tables)
  endif()

  target_include_directories(quorrel::gcrypt INTERFACE ${QUORREL_CRYPTO_PREFIX}/include)
  target_link_libraries(quorrel::gcrypt INTERFACE ${QUORREL_CRYPTO_PREFIX}/lib/libgcrypt.a
                                                  ${QUORREL_CRYPTO_PREFIX}/lib/libgpg-error.a ws2_32 advapi32)

  set(z ${QUORREL_ZLIB_SOURCE})
  add_library(zlib_static STATIC ${z}/adler32.c ${z}/crc32.c ${z}/deflate.c ${z}/inffast.c
                                 ${z}/inflate.c ${z}/inftrees.c ${z}/trees.c ${z}/zutil.c)
  target_include_directories(zlib_static PUBLIC ${z})
  target_compile_options(zlib_static PRIVATE ${dep_flags})

  set(png_dir ${QUORREL_LIBPNG_SOURCE})
  configure_file(${png_dir}/scripts/pnglibconf.h.prebuilt ${CMAKE_BINARY_DIR}/libpng/pnglibconf.h COPYONLY)
  add_library(png_static STATIC
    ${png_dir}/png.c ${png_dir}/pngerror.c ${png_dir}/pngget.c ${png_dir}/pngmem.c
    ${png_dir}/pngpread.c ${png_dir}/pngread.c ${png_dir}/pngrio.c ${png_dir}/pngrtran.c
    ${png_dir}/pngrutil.c ${png_dir}/pngset.c ${png_dir}/pngtrans.c ${png_dir}/pngwio.c
    ${png_dir}/pngwrite.c ${png_dir}/pngwtran.c ${png_dir}/pngwutil.c)
  target_include_directories(png_static PUBLIC ${png_dir} ${CMAKE_BINARY_DIR}/libpng)
  target_compile_definitions(png_static PRIVATE PNG_ARM_NEON_OPT=0 PNG_INTEL_SSE_OPT=0)
  target_compile_options(png_static PRIVATE ${dep_flags})
  target_link_libraries(png_static PUBLIC zlib_static)
  target_link_libraries(quorrel::png INTERFACE png_static)
else()
  find_path(GCRYPT_INCLUDE_DIR gcrypt.h REQUIRED)
  find_library(GCRYPT_LIBRARY gcrypt REQUIRED)
  find_library(GPGERROR_LIBRARY gpg-error REQUIRED)
  target_include_directories(quorrel::gcrypt INTERFACE ${GCRYPT_INCLUDE_DIR})
  target_link_libraries(quorrel::gcrypt INTERFACE ${GCRYPT_LIBRARY} ${GPGERROR_LIBRARY})
  if(WIN32)
    target_link_libraries(quorrel::gcrypt INTERFACE ws2_32 advapi32)
  endif()
  find_package(PNG REQUIRED)
  target_link_libraries(quorrel::png INTERFACE PNG::PNG)
endif()
