# What a Windows install holds beside the programs, for people without man or
# the repository: the manual pages as HTML in doc/, README.md, and the example
# scripts in examples/. The HTML pages are rendered at build time by groff
# (Debian's groff package; groff-base alone has no HTML output).
#
# Included from QuorlinInstall.cmake, which names the pages.

find_program(QUORLIN_GROFF groff REQUIRED)
mark_as_advanced(QUORLIN_GROFF)

set(QUORLIN_HTML_PAGES)
foreach(page IN LISTS QUORLIN_MAN_PAGES)
  set(source ${PROJECT_SOURCE_DIR}/man/${page}.1)
  set(html ${PROJECT_BINARY_DIR}/doc/${page}.html)
  add_custom_command(OUTPUT ${html}
    COMMAND ${CMAKE_COMMAND} -DGROFF=${QUORLIN_GROFF} -DSOURCE=${source} -DOUTPUT=${html}
      -P ${CMAKE_CURRENT_LIST_DIR}/QuorlinManToHtml.cmake
    DEPENDS ${source} ${CMAKE_CURRENT_LIST_DIR}/QuorlinManToHtml.cmake
    COMMENT "Rendering the manual page ${page}.1 as HTML"
    VERBATIM)
  list(APPEND QUORLIN_HTML_PAGES ${html})
endforeach()
add_custom_target(quorlin_man_pages ALL DEPENDS ${QUORLIN_HTML_PAGES})
install(FILES ${QUORLIN_HTML_PAGES} DESTINATION doc)

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples FILES_MATCHING PATTERN "*.txt")
