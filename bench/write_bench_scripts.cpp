// Writes the benchmark scripts as files, for the scripts under bench/:
//
//   quorlin_bench_scripts DIRECTORY
//       example.txt (the worked example), comments.txt (50 MB, mostly
//       comments and white space) and statements.txt (1,000,000 statements);
//
//   quorlin_bench_scripts DIRECTORY --scaling
//       each growing script at a size and at twice that size, small enough to
//       run under an instruction counter: comments-1.txt and comments-2.txt
//       (5 and 10 MB), statements-1.txt and statements-2.txt (100,000 and
//       200,000 statements), chain-1.txt and chain-2.txt (20,000 and 40,000
//       terms, overflowing the output).
//
// DIRECTORY must exist.
#include <cstdio>
#include <cstring>
#include <string>

#include "benchscripts.h"

using namespace quorlin;

namespace {

constexpr std::size_t COMMENT_SCRIPT_BYTES = 50'000'000;
constexpr std::size_t STATEMENT_COUNT = 1'000'000;

constexpr std::size_t SCALING_COMMENT_BYTES = 5'000'000;
constexpr std::size_t SCALING_STATEMENTS = 100'000;
constexpr std::size_t SCALING_TERMS = 20'000;

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

bool WriteBenchmarkScripts(const std::string& directory)
{
    return WriteFile(directory + "example.txt", benchscripts::WorkedExample()) &&
           WriteFile(directory + "comments.txt", benchscripts::CommentHeavyScript(COMMENT_SCRIPT_BYTES)) &&
           WriteFile(directory + "statements.txt", benchscripts::StatementListScript(STATEMENT_COUNT));
}

bool WriteScalingScripts(const std::string& directory)
{
    for (std::size_t nFactor = 1; nFactor <= 2; ++nFactor) {
        const std::string suffix = "-" + std::to_string(nFactor) + ".txt";
        const bool bOk =
            WriteFile(directory + "comments" + suffix,
                      benchscripts::CommentHeavyScript(nFactor * SCALING_COMMENT_BYTES)) &&
            WriteFile(directory + "statements" + suffix,
                      benchscripts::StatementListScript(nFactor * SCALING_STATEMENTS)) &&
            WriteFile(directory + "chain" + suffix, benchscripts::OverflowChainScript(nFactor * SCALING_TERMS));
        if (!bOk)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const bool bScaling = argc == 3 && std::strcmp(argv[2], "--scaling") == 0;
    if (argc != 2 && !bScaling) {
        std::fprintf(stderr, "usage: %s DIRECTORY [--scaling]\n", argv[0]);
        return 2;
    }
    const std::string directory = std::string(argv[1]) + "/";
    const bool bOk = bScaling ? WriteScalingScripts(directory) : WriteBenchmarkScripts(directory);
    return bOk ? 0 : 1;
}
