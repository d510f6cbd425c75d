# Compiles SCRIPT with QUORLIN and checks the result with TFSDUMP --check.
get_filename_component(name ${SCRIPT} NAME_WE)
file(MAKE_DIRECTORY ${SCRATCH})
set(compiled ${SCRATCH}/${name}.tfs)
file(REMOVE ${compiled})
execute_process(COMMAND ${QUORLIN} /file ${SCRIPT} /out ${compiled}
                RESULT_VARIABLE compile_status OUTPUT_VARIABLE compile_output)
if(NOT compile_status EQUAL 0)
  message(FATAL_ERROR "quorlin failed on ${SCRIPT} (status ${compile_status}):\n${compile_output}")
endif()
execute_process(COMMAND ${TFSDUMP} --check ${compiled}
                RESULT_VARIABLE check_status ERROR_VARIABLE check_errors)
if(NOT check_status EQUAL 0)
  message(FATAL_ERROR "tfsdump --check rejected ${compiled} (status ${check_status}):\n${check_errors}")
endif()
