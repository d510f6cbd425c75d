# Compiles SCRIPT with QUORLIN and checks the result with TFSDUMP --check.
#
#   cmake -DQUORLIN=<quorlin> -DTFSDUMP=<tfsdump> -DSCRIPT=<script> -DSCRATCH=<dir> -P exampleroundtrip.cmake
#
# quorlin runs in SCRATCH and is given relative paths, since it takes an
# argument that starts with '/' for an option.
get_filename_component(name ${SCRIPT} NAME_WE)
file(MAKE_DIRECTORY ${SCRATCH})
file(RELATIVE_PATH script_path ${SCRATCH} ${SCRIPT})
set(compiled ${name}.tfs)
file(REMOVE ${SCRATCH}/${compiled})
execute_process(COMMAND ${QUORLIN} /file ${script_path} /out ${compiled}
                WORKING_DIRECTORY ${SCRATCH}
                RESULT_VARIABLE compile_status OUTPUT_VARIABLE compile_output)
if(NOT compile_status EQUAL 0)
  message(FATAL_ERROR "quorlin failed on ${SCRIPT} (status ${compile_status}):\n${compile_output}")
endif()
execute_process(COMMAND ${TFSDUMP} --check ${compiled}
                WORKING_DIRECTORY ${SCRATCH}
                RESULT_VARIABLE check_status ERROR_VARIABLE check_errors)
if(NOT check_status EQUAL 0)
  message(FATAL_ERROR "tfsdump --check rejected ${compiled} from ${SCRIPT} (status ${check_status}):\n${check_errors}")
endif()
