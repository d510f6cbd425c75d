# Fails when the program PROGRAM holds any of the compiler's code: a renderer
# that links only Quorlin::tfs must not carry the compiler along.
#
#   cmake -DNM=<nm> -DPROGRAM=<file> -P check-no-compiler.cmake
execute_process(COMMAND ${NM} -C ${PROGRAM} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} cannot read ${PROGRAM}")
endif()
string(REGEX MATCHALL "[^\n]*(TextureScriptCompiler|quorlin::Compile\\(|quorlin::NewNode|quorlin::AllocateMemory)[^\n]*"
       compiler_symbols "${symbols}")
if(compiler_symbols)
  list(JOIN compiler_symbols "\n" listed)
  message(FATAL_ERROR "${PROGRAM} holds compiler code:\n${listed}")
endif()
string(FIND "${symbols}" "quorlin::ReadCompiledScript" reader_at)
if(reader_at EQUAL -1)
  message(FATAL_ERROR "${PROGRAM} does not hold the reader; the check would prove nothing")
endif()
message(STATUS "${PROGRAM} holds the reader and no compiler code")
