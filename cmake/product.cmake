# The product's identity, stated once. The program's own texts
# (generated/product.h), its version resource and its manifest, and the
# winget manifest are all made from these.
set(INSTAL_PRODUCT_NAME "Corvanta")
set(INSTAL_PRODUCT_VERSION "1.21")
set(INSTAL_PUBLISHER "Kestra Software")
set(INSTAL_FILE_DESCRIPTION "${INSTAL_PRODUCT_NAME} setup")
# The publisher as a name part of identifiers: the manifest's assembly name,
# winget's package identifier.
string(REPLACE " " "" INSTAL_PACKAGE_PUBLISHER "${INSTAL_PUBLISHER}")

# The fixed version of the resource and the manifest has four numbers.
string(REPLACE "." ";" version_parts "${INSTAL_PRODUCT_VERSION}")
list(LENGTH version_parts version_part_count)
while(version_part_count LESS 4)
  list(APPEND version_parts 0)
  math(EXPR version_part_count "${version_part_count} + 1")
endwhile()
list(JOIN version_parts "." INSTAL_VERSION_DOTTED)
list(JOIN version_parts "," INSTAL_VERSION_COMMAS)

# A field of the carried PAD file, the product's description for download
# sites and catalogues.
function(instal_pad_field pad_file field out)
  file(READ "${pad_file}" pad)
  if(NOT pad MATCHES "<${field}>([^<]+)</${field}>")
    message(FATAL_ERROR "${pad_file} has no ${field}")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# What the release states beyond the program: where winget downloads it,
# when it was released, and the texts of its catalogue entry. The defaults
# are placeholders that winget's validation refuses.
set(INSTAL_WINGET_INSTALLER_URL "<INSTALLER URL>" CACHE STRING
    "winget: the https address instal.exe is published at")
set(INSTAL_WINGET_RELEASE_DATE "<YYYY-MM-DD>" CACHE STRING "winget: the day of the release")
set(INSTAL_WINGET_PUBLISHER_URL "<PUBLISHER URL>" CACHE STRING "winget: the publisher's web site")
set(INSTAL_WINGET_LICENSE "<LICENCE>" CACHE STRING "winget: the licence, in a few words")
set(INSTAL_WINGET_LICENSE_URL "<LICENCE URL>" CACHE STRING "winget: where the licence can be read")
