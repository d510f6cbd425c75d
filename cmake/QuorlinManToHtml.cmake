# Renders a manual page as HTML for systems without man (the Windows zip):
#
#   cmake -DGROFF=<groff> -DSOURCE=<page>.1 -DOUTPUT=<page>.html -P QuorlinManToHtml.cmake
#
# A page that draws a warning from the man macros fails, as it would in man.
# groff's creation date is left out, so that the page depends on its source
# alone.

execute_process(COMMAND "${GROFF}" -mandoc -Thtml -wmac "${SOURCE}"
  OUTPUT_VARIABLE html
  ERROR_VARIABLE warnings
  RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff cannot render ${SOURCE} as HTML (status ${status}):\n${warnings}")
endif()
string(REGEX REPLACE "<!-- CreationDate: [^\n]*-->\n" "" html "${html}")
file(WRITE "${OUTPUT}" "${html}")
