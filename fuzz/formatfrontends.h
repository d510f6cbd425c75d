// What quorlin-format and the language server's formatting do with one
// script text, checked against the formatter's verdict by the format fuzz
// target and the property tests over every script of the tests and seeds.
#ifndef QUORLIN_FUZZ_FORMATFRONTENDS_H
#define QUORLIN_FUZZ_FORMATFRONTENDS_H

#include <string>
#include <string_view>

namespace quorlin {

// Where the formatter refuses the text, quorlin-format (reading standard
// input) prints nothing on standard output and exits with status 1, and the
// server's formatting and range formatting answer with no edit; where it
// formats, quorlin-format prints the formatted text with status 0. (The
// server is given only texts a client can send it: UTF-8.) Empty when that holds, else what
// did not.
std::string CheckFormattingFrontEnds(std::string_view script);

} // namespace quorlin

#endif
