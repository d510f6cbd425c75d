// The one place where every file an end-to-end run produced passes by: each
// must read back as a well-formed compiled texture script.
//
// After each run the harness hands over every regular file in the scratch
// folder that the case did not set up with the same contents: the compiled
// files the run wrote. A check of their format (for instance reading them back
// with a .tfs reader) belongs in ValidateProducedOutput.
#ifndef QUORLIN_TESTS_PRODUCEDOUTPUT_H
#define QUORLIN_TESTS_PRODUCEDOUTPUT_H

#include <string>

namespace quorlin {

struct ProducedOutput {
    std::string caseName; // the case file, relative to the cases folder
    std::string fileName; // relative to the scratch folder
    std::string bytes;    // the file's contents
};

// True when the produced file is acceptable; otherwise false with the reason.
bool ValidateProducedOutput(const ProducedOutput& output, std::string& problem);

} // namespace quorlin

#endif
