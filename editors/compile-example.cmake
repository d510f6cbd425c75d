# Compiles one example script with quorlin and fails unless the compile
# succeeded: exit status 0, the success line alone on standard output, nothing
# on standard error, and a compiled file written.
#
#   cmake -DQUORLIN=<quorlin> -DSCRIPT=<script> -DOUT=<output.tfs> -P compile-example.cmake
#
# SCRIPT and OUT must not start with '/', which quorlin takes for an option.

get_filename_component(out_dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${out_dir}")
file(REMOVE "${OUT}")

execute_process(
  COMMAND "${QUORLIN}" /file "${SCRIPT}" /out "${OUT}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)

set(expected "${SCRIPT} successfully compiled.\n")
if(NOT status EQUAL 0 OR NOT output STREQUAL expected OR NOT errors STREQUAL "")
  message(FATAL_ERROR "${SCRIPT} did not compile (exit status ${status}):\n${output}${errors}")
endif()
if(NOT EXISTS "${OUT}")
  message(FATAL_ERROR "${SCRIPT}: the success line was printed but ${OUT} was not written")
endif()
file(SIZE "${OUT}" size)
message(STATUS "${SCRIPT}: ${size} bytes")
