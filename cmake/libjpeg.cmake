# libjpeg-turbo from Debian's source package (fetched by scripts/setup.sh),
# built static for the target: decompression is all the program uses, so the
# library is built small, without SIMD (no nasm) and without arithmetic coding.
include(ExternalProject)

set(INSTAL_JPEG_SOURCE "${CMAKE_SOURCE_DIR}/.deps/libjpeg-turbo" CACHE PATH
    "libjpeg-turbo source tree")
if(NOT EXISTS "${INSTAL_JPEG_SOURCE}/jpeglib.h")
  message(FATAL_ERROR "libjpeg-turbo source not found in ${INSTAL_JPEG_SOURCE}: run scripts/setup.sh")
endif()

set(jpeg_build "${CMAKE_BINARY_DIR}/libjpeg")
ExternalProject_Add(libjpeg_build
  SOURCE_DIR "${INSTAL_JPEG_SOURCE}"
  BINARY_DIR "${jpeg_build}"
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=MinSizeRel
    -DCMAKE_INSTALL_PREFIX=${jpeg_build}/unused-install
    "-DCMAKE_C_FLAGS=-Os -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -D__USE_MINGW_ANSI_STDIO=0"
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF
    -DWITH_SIMD=OFF -DWITH_ARITH_DEC=OFF -DWITH_ARITH_ENC=OFF
    -DWITH_12BIT=OFF -DWITH_JAVA=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build . --target jpeg-static
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${jpeg_build}/libjpeg.a"
  LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

add_library(libjpeg STATIC IMPORTED GLOBAL)
set_target_properties(libjpeg PROPERTIES IMPORTED_LOCATION "${jpeg_build}/libjpeg.a")
file(MAKE_DIRECTORY "${jpeg_build}")
target_include_directories(libjpeg INTERFACE "${INSTAL_JPEG_SOURCE}" "${jpeg_build}")
add_dependencies(libjpeg libjpeg_build)
