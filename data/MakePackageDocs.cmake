# The Debian documentation files: the machine-readable copyright file (Glyphmill's
# licence, then the icon sets'), and the compressed changelog and manual pages.
# Included from data/CMakeLists.txt; writes into CMAKE_CURRENT_BINARY_DIR.

# Glyphmill's licence as the continuation lines of a License field.
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/licence.txt licence)
string(STRIP "${licence}" licence)
string(REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REPLACE "\n" "\n " licence "${licence}")
set(GLYPHMILL_LICENCE " ${licence}")

# The Silk set's own stanza, naming the icons compiled into the program; the
# stanza of its Debian packaging does not concern this package.
file(READ /usr/share/doc/famfamfam-silk/copyright silk)
string(FIND "${silk}" "Files: *\n" silk_start)
string(FIND "${silk}" "\nFiles: debian/" silk_end)
if(silk_start LESS 0 OR silk_end LESS silk_start)
  message(FATAL_ERROR "The Silk icons' copyright file has an unexpected form")
endif()
math(EXPR silk_length "${silk_end} - ${silk_start}")
string(SUBSTRING "${silk}" ${silk_start} ${silk_length} SILK_STANZA)
string(STRIP "${SILK_STANZA}" SILK_STANZA)
string(REPLACE "Files: *\n" "Files: silk-icons/*\n" SILK_STANZA "${SILK_STANZA}")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/copyright.in ${CMAKE_CURRENT_BINARY_DIR}/copyright @ONLY)

# gzip -9n: the best compression, without a time stamp, as Debian wants.
find_program(GZIP gzip REQUIRED)
function(glyphmill_gzip input output)
  execute_process(COMMAND ${GZIP} -9nc ${input} OUTPUT_FILE ${output} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${input}")
  endif()
endfunction()
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/man)
glyphmill_gzip(${CMAKE_CURRENT_SOURCE_DIR}/changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
foreach(page glyphmill.1 glyphmill-convert.1)
  glyphmill_gzip(${CMAKE_CURRENT_SOURCE_DIR}/man/${page} ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/licence.txt ${CMAKE_CURRENT_SOURCE_DIR}/copyright.in
  ${CMAKE_CURRENT_SOURCE_DIR}/changelog ${CMAKE_CURRENT_SOURCE_DIR}/man/glyphmill.1
  ${CMAKE_CURRENT_SOURCE_DIR}/man/glyphmill-convert.1)
