// Writes the benchmark scripts as files for the whole-process benchmark:
//
//   quorlin_bench_scripts DIRECTORY
//
// creates example.txt (the worked example), comments.txt (50 MB, mostly
// comments and white space) and statements.txt (1,000,000 statements) in
// DIRECTORY, which must exist.
#include <cstdio>
#include <string>

#include "benchscripts.h"

namespace {

constexpr std::size_t COMMENT_SCRIPT_BYTES = 50'000'000;
constexpr std::size_t STATEMENT_COUNT = 1'000'000;

bool WriteFile(const std::string& name, const std::string& text)
{
    std::FILE* pFile = std::fopen(name.c_str(), "wb");
    if (pFile == nullptr) {
        std::perror(name.c_str());
        return false;
    }
    const bool bWritten = std::fwrite(text.data(), 1, text.size(), pFile) == text.size();
    const bool bClosed = std::fclose(pFile) == 0;
    if (!bWritten || !bClosed) {
        std::fprintf(stderr, "%s: write failed\n", name.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string directory = std::string(argv[1]) + "/";
    const bool bOk = WriteFile(directory + "example.txt", benchscripts::WorkedExample()) &&
                     WriteFile(directory + "comments.txt", benchscripts::CommentHeavyScript(COMMENT_SCRIPT_BYTES)) &&
                     WriteFile(directory + "statements.txt", benchscripts::StatementListScript(STATEMENT_COUNT));
    return bOk ? 0 : 1;
}
