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
set(jpeg_trimmed_files jmorecfg.h jdcolor.c jdsample.c jdmainct.c jdmarker.c jmemmgr.c jdmaster.c
                       jdhuff.c jdpostct.c jdatasrc.c)
set(jpeg_copy_patterns "")
foreach(trimmed IN LISTS jpeg_trimmed_files)
  list(APPEND jpeg_copy_patterns PATTERN ${trimmed} EXCLUDE)
endforeach()
file(COPY "${jpeg_origin}/" DESTINATION "${jpeg_source}" ${jpeg_copy_patterns})

# jpeg_trim(VARIABLE REGEX REPLACEMENT): REGEX, which must match, replaced in
# the text held in VARIABLE.
function(jpeg_trim variable regex replacement)
  string(REGEX REPLACE "${regex}" "${replacement}" trimmed "${${variable}}")
  if(trimmed STREQUAL "${${variable}}")
    message(FATAL_ERROR "libjpeg: not found, to take out: ${regex}")
  endif()
  set(${variable} "${trimmed}" PARENT_SCOPE)
endfunction()

# jpeg_write_trimmed(FILE VARIABLE): the copy of FILE, rewritten only when
# its text changed, so that make rebuilds only what did.
function(jpeg_write_trimmed file variable)
  file(WRITE "${jpeg_source}/${file}.new" "${${variable}}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${jpeg_source}/${file}.new"
                          "${jpeg_source}/${file}")
endfunction()
file(READ "${jpeg_origin}/jmorecfg.h" jpeg_config)
foreach(feature D_MULTISCAN_FILES_SUPPORTED D_PROGRESSIVE_SUPPORTED SAVE_MARKERS_SUPPORTED
                BLOCK_SMOOTHING_SUPPORTED IDCT_SCALING_SUPPORTED UPSAMPLE_MERGING_SUPPORTED
                QUANT_1PASS_SUPPORTED QUANT_2PASS_SUPPORTED DCT_IFAST_SUPPORTED DCT_FLOAT_SUPPORTED)
  string(REGEX REPLACE "\n#define ${feature}[^\n]*" "\n/* ${feature}: not used by setup */"
         jpeg_config "${jpeg_config}")
endforeach()
jpeg_write_trimmed(jmorecfg.h jpeg_config)

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
# Of the conversions, the program asks for YCbCr to that one order only
# (the banner's form, checked below): the grey, RGB-to-RGB, null and CMYK
# converters (some 1.2 KB) go with their choice.
jpeg_trim(jpeg_colour_trimmed
  "\n  switch \\(cinfo->out_color_space\\) {\n  case JCS_GRAYSCALE:\n.*/\\* unsupported non-null conversion \\*/\n      ERREXIT\\(cinfo, JERR_CONVERSION_NOTIMPL\\);\n    break;\n  }\n"
  "\n  /* YCbCr to RGB or BGR only: the other conversions are not used by setup */
  if ((cinfo->out_color_space != JCS_RGB && cinfo->out_color_space != JCS_EXT_BGR) ||
      cinfo->jpeg_color_space != JCS_YCbCr)
    ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);
  cinfo->out_color_components = 3;
  cconvert->pub.color_convert = ycc_rgb_convert;
  build_ycc_rgb_table(cinfo);
")
jpeg_write_trimmed(jdcolor.c jpeg_colour_trimmed)

# Components at full size only (no subsampling): the upsamplers (some 1 KB)
# and the main controller's context rows, which only they need (some 1.3 KB),
# go. A subsampled picture fails to decode as one of a form libjpeg does not
# offer would.
file(READ "${jpeg_origin}/jdsample.c" jpeg_sample)
jpeg_trim(jpeg_sample
  "\n    } else if \\(h_in_group \\* 2 == h_out_group && v_in_group == v_out_group\\) {\n.*\n    } else\n      ERREXIT\\(cinfo, JERR_FRACT_SAMPLE_NOTIMPL\\);"
  "\n    } else /* subsampled components: not used by setup */\n      ERREXIT(cinfo, JERR_FRACT_SAMPLE_NOTIMPL);")
jpeg_write_trimmed(jdsample.c jpeg_sample)
file(READ "${jpeg_origin}/jdmainct.c" jpeg_main)
jpeg_trim(jpeg_main "cinfo->upsample->need_context_rows"
          "FALSE /* context rows: only for subsampled components */")
jpeg_write_trimmed(jdmainct.c jpeg_main)

# The JFIF and Adobe markers are skipped as any other APPn marker: the colour
# space is then taken from the component IDs, which gives the banner's
# (checked below) YCbCr as the JFIF marker would.
file(READ "${jpeg_origin}/jdmarker.c" jpeg_markers)
jpeg_trim(jpeg_markers
  "\n  marker->process_APPn\\[0\\] = get_interesting_appn;\n  marker->process_APPn\\[14\\] = get_interesting_appn;\n"
  "\n  /* JFIF and Adobe markers: not used by setup */\n")
# The banner has no restart markers (checked below): the reading of them
# and the resynchronising after a damaged one go (some 360 bytes).
jpeg_trim(jpeg_markers "\n  marker->pub.read_restart_marker = read_restart_marker;"
          "\n  marker->pub.read_restart_marker = NULL; /* restart markers: not used by setup */")
jpeg_write_trimmed(jdmarker.c jpeg_markers)
file(READ "${jpeg_origin}/jdatasrc.c" jpeg_data_source)
jpeg_trim(jpeg_data_source "\n  src->resync_to_restart = jpeg_resync_to_restart; /\\* use default method \\*/"
          "\n  src->resync_to_restart = NULL; /* restart markers: not used by setup */")
jpeg_write_trimmed(jdatasrc.c jpeg_data_source)

# Of the Huffman decoder, the one path that decodes any block (the faster
# one for blocks far from the end of the data is some 1 KB more; the banner
# decodes in well under a millisecond either way), and no standard tables
# for files that define none (the banner defines its own, checked below).
file(READ "${jpeg_origin}/jdhuff.c" jpeg_huffman)
jpeg_trim(jpeg_huffman "\n  int usefast = 1;\n"
          "\n  int usefast = 0; /* the fast path: not used by setup */\n")
jpeg_trim(jpeg_huffman "\n  std_huff_tables\\(\\(j_common_ptr\\)cinfo\\);\n"
          "\n  /* standard tables: not used by setup */\n")
jpeg_write_trimmed(jdhuff.c jpeg_huffman)

# Without colour quantizing, the post-processor hands the upsampler's rows
# straight through: its own buffered pass goes (some 250 bytes).
file(READ "${jpeg_origin}/jdpostct.c" jpeg_post)
jpeg_trim(jpeg_post "cinfo->quantize_colors" "FALSE /* quantizing: not used by setup */")
jpeg_write_trimmed(jdpostct.c jpeg_post)

# Virtual arrays serve multi-scan files and two-pass quantizing only, both
# switched off above: none is ever requested, so they are neither offered
# nor realized (some 1.7 KB).
file(READ "${jpeg_origin}/jmemmgr.c" jpeg_memory)
foreach(method request_virt_sarray request_virt_barray realize_virt_arrays access_virt_sarray
               access_virt_barray)
  jpeg_trim(jpeg_memory "\n  mem->pub.${method} = ${method};"
            "\n  mem->pub.${method} = NULL; /* not used by setup */")
endforeach()
jpeg_write_trimmed(jmemmgr.c jpeg_memory)
file(READ "${jpeg_origin}/jdmaster.c" jpeg_master)
jpeg_trim(jpeg_master "\n  \\(\\*cinfo->mem->realize_virt_arrays\\) \\(\\(j_common_ptr\\)cinfo\\);"
          "\n  /* No virtual arrays: not used by setup */")
jpeg_write_trimmed(jdmaster.c jpeg_master)

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

# instal_check_banner(PATH): fails the configuration unless the banner is of
# the one form the program's libjpeg decodes (see above): a
# baseline JFIF file of three 8-bit components, IDs 1, 2 and 3, none
# subsampled, with Huffman tables of its own, no restart markers and no
# Adobe marker. Any other picture would build and then
# show nothing where the banner belongs.
function(instal_check_banner path)
  file(READ "${path}" jpeg HEX)
  string(LENGTH "${jpeg}" end)
  string(SUBSTRING "${jpeg}" 0 4 start)
  set(problem "")
  set(frame "")
  set(tables OFF)
  set(at 4)
  if(NOT start STREQUAL "ffd8")
    set(problem "not a JPEG file")
  endif()
  while(NOT problem AND at LESS end)
    # A marker, the length of its segment (itself included), the segment.
    string(SUBSTRING "${jpeg}" ${at} 4 marker)
    math(EXPR length_at "${at} + 4")
    string(SUBSTRING "${jpeg}" ${length_at} 4 length)
    math(EXPR length "0x${length}")
    math(EXPR body_at "${at} + 8")
    math(EXPR body_length "${length} * 2 - 4")
    string(SUBSTRING "${jpeg}" ${body_at} ${body_length} body)
    if(at EQUAL 4 AND NOT (marker STREQUAL "ffe0" AND body MATCHES "^4a46494600"))
      set(problem "no JFIF marker first")
    elseif(marker STREQUAL "ffee")
      set(problem "an Adobe marker")
    elseif(marker STREQUAL "ffdd")
      set(problem "restart markers")
    elseif(marker STREQUAL "ffc4")
      set(tables ON)
    elseif(marker STREQUAL "ffc0")
      set(frame "${body}")
    elseif(marker MATCHES "^ffc[1-35-79abd-f]$")
      set(problem "not baseline (marker ${marker})")
    elseif(marker STREQUAL "ffda")
      break()
    endif()
    math(EXPR at "${at} + 4 + ${length} * 2")
  endwhile()
  # Precision, height, width, then each component's ID, sampling and
  # quantization table.
  if(NOT problem AND NOT tables)
    set(problem "no Huffman tables of its own")
  endif()
  if(NOT problem AND NOT frame MATCHES "^08........030111..0211..0311..$")
    set(problem "not three components 1, 2 and 3 without subsampling")
  endif()
  if(problem)
    message(FATAL_ERROR "${path}: ${problem}; the banner must be a baseline JFIF JPEG in "
                        "YCbCr without subsampling (4:4:4), Huffman tables and no restart markers, as the "
                        "program decodes only that")
  endif()
endfunction()
