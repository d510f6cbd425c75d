// Every script the project holds, for the tests that check a property over
// all of them: each file that an end-to-end case sets up and each standard
// input it gives, each example and each seed of the compile fuzzer.
#ifndef QUORLIN_SCRIPTCORPUS_H
#define QUORLIN_SCRIPTCORPUS_H

#include <string>
#include <vector>

namespace quorlin {

struct CorpusScript {
    std::string origin; // the file, and for a case the name of the file it sets up
    std::string text;
};

// The scripts in the folders of a list separated by ':', searched with their
// subfolders: a case file gives the files it sets up and its standard
// input, any other file is a script itself.
std::vector<CorpusScript> ScriptsInFolders(const std::string& folders);

} // namespace quorlin

#endif
