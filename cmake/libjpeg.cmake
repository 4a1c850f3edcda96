# libjpeg-turbo from Debian's source package (fetched by scripts/setup.sh),
# built static for the target: decompression is all the program uses, so the
# library is built small, without SIMD (no nasm) and without arithmetic coding,
# and its memory manager does not read the JPEGMEM environment variable.
include(ExternalProject)

set(INSTAL_JPEG_SOURCE "${CMAKE_SOURCE_DIR}/.deps/libjpeg-turbo" CACHE PATH
    "libjpeg-turbo source tree")
if(NOT EXISTS "${INSTAL_JPEG_SOURCE}/jpeglib.h")
  message(FATAL_ERROR "libjpeg-turbo source not found in ${INSTAL_JPEG_SOURCE}: run scripts/setup.sh")
endif()

# A copy of the source with the decoder features the program never uses
# switched off (it decodes one baseline JPEG at its own size, in full
# colour): scaled IDCTs, merged upsampling, colour quantizing, progressive
# and multi-scan files, saved markers, the fast and the floating-point IDCT
# (the default, accurate integer one is used). They are switched on unconditionally
# in jmorecfg.h, and selected at run time, so the linker cannot drop them.
# Copied from where the source really is: file(COPY) copies a link as a
# link, and the changes below would then be made in the source itself (as
# they were through a copy made so before).
file(REAL_PATH "${INSTAL_JPEG_SOURCE}" jpeg_origin)
set(jpeg_source "${CMAKE_BINARY_DIR}/libjpeg-source")
if(IS_SYMLINK "${jpeg_source}")
  file(REMOVE "${jpeg_source}")
endif()
file(COPY "${jpeg_origin}/" DESTINATION "${jpeg_source}" PATTERN jmorecfg.h EXCLUDE
     PATTERN jdcolor.c EXCLUDE)
file(READ "${jpeg_origin}/jmorecfg.h" jpeg_config)
foreach(feature D_MULTISCAN_FILES_SUPPORTED D_PROGRESSIVE_SUPPORTED SAVE_MARKERS_SUPPORTED
                BLOCK_SMOOTHING_SUPPORTED IDCT_SCALING_SUPPORTED UPSAMPLE_MERGING_SUPPORTED
                QUANT_1PASS_SUPPORTED QUANT_2PASS_SUPPORTED DCT_IFAST_SUPPORTED DCT_FLOAT_SUPPORTED)
  string(REGEX REPLACE "\n#define ${feature}[^\n]*" "\n/* ${feature}: not used by setup */"
         jpeg_config "${jpeg_config}")
endforeach()
file(WRITE "${jpeg_source}/jmorecfg.h.new" "${jpeg_config}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${jpeg_source}/jmorecfg.h.new"
                        "${jpeg_source}/jmorecfg.h")

# Output as 16-bit RGB565 has no switch of its own: its converters (some
# 3 KB) are taken out of the colour deconverter's choice, so that asking
# for that output would fail as any conversion libjpeg does not offer.
file(READ "${jpeg_origin}/jdcolor.c" jpeg_colour)
string(REGEX REPLACE "\n  case JCS_RGB565:\n.*\n    break;\n\n  case JCS_CMYK:"
       "\n  /* JCS_RGB565: not used by setup */\n  case JCS_CMYK:" jpeg_colour_trimmed
       "${jpeg_colour}")
if(jpeg_colour_trimmed STREQUAL jpeg_colour)
  message(FATAL_ERROR "jdcolor.c: the RGB565 case was not found")
endif()

# Of the extended pixel orders, the program asks for JCS_EXT_BGR only. The
# others (some 2 KB of converters, inlined into the converters' switches)
# are taken out of those switches and of the deconverter's choice, so that
# asking for one fails as any conversion libjpeg does not offer.
set(jpeg_orders_trimmed 0)
foreach(order RGB RGBX BGRX XBGR XRGB)
  string(TOLOWER "${order}" suffix)
  set(jpeg_colour "${jpeg_colour_trimmed}")
  string(REGEX REPLACE
         "\n  case JCS_EXT_${order}:\n(  case JCS_EXT_[A-Z]+:\n)?    [a-z]+_ext${suffix}_convert_internal\\([^;]*;\n    break;"
         "" jpeg_colour_trimmed "${jpeg_colour}")
  string(LENGTH "${jpeg_colour}" before)
  string(LENGTH "${jpeg_colour_trimmed}" after)
  if(after LESS before)
    math(EXPR jpeg_orders_trimmed "${jpeg_orders_trimmed} + 1")
  endif()
endforeach()
set(jpeg_colour "${jpeg_colour_trimmed}")
string(REPLACE
       "  case JCS_RGB:\n  case JCS_EXT_RGB:\n  case JCS_EXT_RGBX:\n  case JCS_EXT_BGR:\n  case JCS_EXT_BGRX:\n  case JCS_EXT_XBGR:\n  case JCS_EXT_XRGB:\n  case JCS_EXT_RGBA:\n  case JCS_EXT_BGRA:\n  case JCS_EXT_ABGR:\n  case JCS_EXT_ARGB:\n"
       "  case JCS_RGB:\n  case JCS_EXT_BGR: /* the other extended orders: not used by setup */\n"
       jpeg_colour_trimmed "${jpeg_colour}")
if(NOT jpeg_orders_trimmed EQUAL 5 OR jpeg_colour_trimmed STREQUAL jpeg_colour)
  message(FATAL_ERROR "jdcolor.c: the extended pixel orders were not found")
endif()
file(WRITE "${jpeg_source}/jdcolor.c.new" "${jpeg_colour_trimmed}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${jpeg_source}/jdcolor.c.new"
                        "${jpeg_source}/jdcolor.c")

set(jpeg_build "${CMAKE_BINARY_DIR}/libjpeg-decoder")
ExternalProject_Add(libjpeg_decoder
  SOURCE_DIR "${jpeg_source}"
  BINARY_DIR "${jpeg_build}"
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DINSTAL_THREAD_MODEL=${INSTAL_THREAD_MODEL}
    -DCMAKE_BUILD_TYPE=MinSizeRel
    # The optimisation comes with the flags below, not the build type's -Os.
    -DCMAKE_C_FLAGS_MINSIZEREL=-DNDEBUG
    -DCMAKE_INSTALL_PREFIX=${jpeg_build}/unused-install
    "-DCMAKE_C_FLAGS=-Oz -ffunction-sections -fdata-sections -fno-ident -fno-jump-tables -fomit-frame-pointer -fno-asynchronous-unwind-tables -D__USE_MINGW_ANSI_STDIO=0 -DNO_GETENV"
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF
    -DWITH_SIMD=OFF -DWITH_ARITH_DEC=OFF -DWITH_ARITH_ENC=OFF
    -DWITH_12BIT=OFF -DWITH_JAVA=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build . --target jpeg-static
  INSTALL_COMMAND ""
  # Its make notices a changed configuration header; the step stamps would not.
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS "${jpeg_build}/libjpeg.a"
  LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

add_library(libjpeg STATIC IMPORTED GLOBAL)
set_target_properties(libjpeg PROPERTIES IMPORTED_LOCATION "${jpeg_build}/libjpeg.a")
file(MAKE_DIRECTORY "${jpeg_build}")
target_include_directories(libjpeg INTERFACE "${jpeg_source}" "${jpeg_build}")
add_dependencies(libjpeg libjpeg_decoder)
