# Writes a C++ source holding a text file's bytes, so that a program carries
# a document of the repository without a second copy of it:
#   cmake -DINPUT=FILE -DOUTPUT=FILE.cpp -DHEADER=name.h -DNAMESPACE=ns -DSYMBOL=NAME -P QuorlinEmbedText.cmake
# defines ns::NAME(), declared in HEADER, returning the text as a
# std::string_view. The bytes are
# written as numbers, so that no character of the text needs escaping and no
# compiler's limit on a string literal's length applies.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line (CMake's expressions have no counted repeat).
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line_of_bytes)
string(REGEX REPLACE "(${line_of_bytes})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by QuorlinEmbedText.cmake: edit that file, not this one.\n"
  "#include \"${HEADER}\"\n\n#include <string_view>\n\n"
  "namespace ${NAMESPACE} {\n\n"
  "namespace {\n"
  "const unsigned char TEXT[] = {\n${bytes}0};\n"
  "} // namespace\n\n"
  "std::string_view ${SYMBOL}() { return std::string_view(reinterpret_cast<const char*>(TEXT), ${byte_count}); }\n\n"
  "} // namespace ${NAMESPACE}\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.tmp" "${OUTPUT}")
file(REMOVE "${OUTPUT}.tmp")
