# instal_check_banner(PATH): fails the configuration unless the banner is of
# the one form the program's libjpeg decodes (see cmake/libjpeg.cmake): a
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
