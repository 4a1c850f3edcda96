# Packs what a compressed build carries for the program's own use (see
# src/platform/unpacking/packed_resource.cpp, whose properties these are):
#   cmake -DXZ=xz -DSOURCE=file -DOUTPUT=stream -P pack_resource.cmake
execute_process(COMMAND "${XZ}" --format=raw "--lzma1=preset=9e,dict=4KiB,lc=3,lp=0,pb=2"
                        --threads=1 --stdout "${SOURCE}"
                OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "xz could not compress ${SOURCE}")
endif()
