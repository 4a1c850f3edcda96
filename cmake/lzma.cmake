# The LZMA decoder of a compressed build: the LZMA SDK's decoder and x86
# branch converter, from Debian's lzma source package (fetched by
# scripts/setup.sh), compiled as they are. Nothing else of the SDK is used.
set(INSTAL_LZMA_SOURCE "${CMAKE_SOURCE_DIR}/.deps/lzma" CACHE PATH "LZMA SDK source tree")
if(NOT EXISTS "${INSTAL_LZMA_SOURCE}/C/LzmaDec.c")
  message(FATAL_ERROR "LZMA SDK source not found in ${INSTAL_LZMA_SOURCE}: run scripts/setup.sh")
endif()
add_library(lzma_decoder STATIC "${INSTAL_LZMA_SOURCE}/C/LzmaDec.c"
                                "${INSTAL_LZMA_SOURCE}/C/Bra86.c")
target_include_directories(lzma_decoder SYSTEM INTERFACE "${INSTAL_LZMA_SOURCE}/C")
# Plain C that raises nothing: no unwind tables. Its own code, warnings and all.
target_compile_options(lzma_decoder PRIVATE -fno-asynchronous-unwind-tables -fno-jump-tables -w)
# The decoder's loops rolled up (some 470 bytes less code): no slower that
# it shows on the benchmarks' 64 MiB payload.
target_compile_definitions(lzma_decoder PRIVATE _LZMA_SIZE_OPT)
