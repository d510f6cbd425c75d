// The end-to-end case file: one run of a program (quorlin or tfsdump) with the
// files it starts from and everything it must leave behind.
//
// Lines before the first section header are comments. A header is a line
// that begins with "=== "; a section's body is every line up to the next
// header, each with its line feed.
//
//   === args              one command-line argument per line (a blank line is an empty argument)
//   === file NAME         create NAME (folders created) holding the body's bytes
//   === file-noeol NAME   the same without the body's final line feed
//   === file-hex NAME     create NAME from hex bytes (white space ignored)
//   === symlink NAME      create the symbolic link NAME to the path on the body's one line
//   === fifo NAME         create the FIFO NAME (no body)
//   === chmod NAME        set the permission bits of NAME, created above, to the body's octal number
//   === stdin-hex         standard input, as hex bytes (else standard input is empty)
//   === stdout            the exact standard output (an empty body expects none)
//   === stderr            the exact standard error (empty when the section is missing)
//   === status            the exit status
//   === output NAME       NAME must then exist holding exactly these hex bytes
//   === output-text NAME  NAME must then hold exactly the body's bytes
//   === nofile NAME       NAME must then not exist
//   === mode NAME         NAME must then have the body's octal permission bits
//   === link NAME         NAME must then still be a symbolic link to the body's one line
//   === posix-only        the case needs what only POSIX has (a /dev path, a signal, a
//                         descriptor); the body's one line says what. Skipped, and
//                         named, where the programs run under Wine; so is every case
//                         with a symlink, fifo, mode or link section.
//   === repeat N          the body, N times over, continues the section before
//                         (a long script or a run of equal messages; "repeat 1"
//                         continues that section after a repetition)
//
// "stdout" and "status" are required. No hidden temporary of an output
// (".NAME.XXXXXX.tmp") may be left anywhere.
#ifndef QUORLIN_TESTS_CASEFILE_H
#define QUORLIN_TESTS_CASEFILE_H

#include <string>
#include <vector>

namespace quorlin {

// A file or link the case creates before the run, in the order given.
struct CaseSetupEntry {
    enum class Kind { FILE, SYMLINK, FIFO, CHMOD };
    Kind kind = Kind::FILE;
    std::string name;    // relative to the scratch folder
    std::string content; // the file's bytes, or the link's target
    unsigned nMode = 0;  // CHMOD: the permission bits
};

// What a file must be after the run.
struct CaseExpectedFile {
    std::string name;       // relative to the scratch folder
    bool mustExist = true;  // false for "nofile"
    bool isText = false;    // given as text ("output-text") rather than hex
    std::string bytes;      // exact contents when it must exist
    bool checkMode = false; // "mode": only nMode is checked
    unsigned nMode = 0;
    bool checkLink = false; // "link": only linkTarget is checked
    std::string linkTarget;
};

struct CaseFile {
    std::vector<std::string> args;
    std::vector<CaseSetupEntry> setup;
    std::string standardInput;
    std::string expectedStdout;
    std::string expectedStderr;
    int expectedStatus = 0;
    std::vector<CaseExpectedFile> expectedFiles;
    std::string posixOnly; // why the case runs on POSIX only, or empty
};

// Why the case can run on POSIX only (its posix-only section, or a setup or
// check of symbolic links, FIFOs or permission bits); empty when it runs on
// Windows too.
std::string PosixOnlyReason(const CaseFile& testCase);

// Parses the text of a case file. On failure returns false with a message
// naming the offending line in error.
bool ParseCaseFile(const std::string& text, CaseFile& result, std::string& error);

// Reads and parses a case file from disk.
bool LoadCaseFile(const std::string& path, CaseFile& result, std::string& error);

// Bytes from hex digits, white space ignored; false on any other character or
// an odd number of digits.
bool DecodeHex(const std::string& text, std::string& bytes);

} // namespace quorlin

#endif
