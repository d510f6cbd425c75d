// The shared command-line splitter, as data: the words, then each item it
// makes ("-o=out" an option with its value, "'name'" an operand) or the
// problem it stops at.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "optionparser.h"

namespace quorlin::cli {
namespace {

enum { CHECK = 1, HELP, OUTPUT, COLOR, WARNING };

const std::vector<OptionEntry> TABLE = {
    {CHECK, "--check"},
    {HELP, "-h"},
    {HELP, "--help"},
    {OUTPUT, "-o", OptionValue::REQUIRED, "FILE"},
    {OUTPUT, "--output", OptionValue::REQUIRED, "FILE"},
    {COLOR, "--color", OptionValue::OPTIONAL, "WHEN"},
    {WARNING, "-W", OptionValue::JOINED, "NAME"},
    {WARNING, "-Wall"},
};

std::string Split(const std::vector<std::string>& words)
{
    std::vector<CommandLineItem> items;
    const CommandLineProblem problem = ParseCommandLine(words, TABLE, items);
    std::ostringstream out;
    for (const CommandLineItem& item : items) {
        if (item.isOperand)
            out << "'" << item.text << "' ";
        else
            out << item.text << (item.hasValue ? "=" + item.value : "") << "#" << item.id << " ";
    }
    if (problem.error == CommandLineError::UNKNOWN_OPTION)
        out << "unknown " << problem.argument;
    if (problem.error == CommandLineError::MISSING_VALUE)
        out << "missing " << problem.argument;
    return out.str();
}

struct SplitCase {
    std::vector<std::string> words;
    std::string expected;
};

class CommandLineSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(CommandLineSplit, GivesItsItems) { EXPECT_EQ(Split(GetParam().words), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineSplit,
    testing::Values(
        // Operands: plain words, "-" (standard input), and everything after "--".
        SplitCase{{"a.txt", "-", "b"}, "'a.txt' '-' 'b' "},
        SplitCase{{"--", "--check", "-o", "--"}, "'--check' '-o' '--' "}, SplitCase{{"", "x"}, "'' 'x' "},
        // Flags, by either spelling; a flag takes no value.
        SplitCase{{"--check", "-h", "--help"}, "--check#1 -h#2 --help#2 "},
        SplitCase{{"--check=yes"}, "unknown --check=yes"}, SplitCase{{"--chec"}, "unknown --chec"},
        SplitCase{{"--checks"}, "unknown --checks"},
        // A required value: the next word, attached to a short spelling, or after '='.
        SplitCase{{"-o", "out", "in"}, "-o=out#3 'in' "}, SplitCase{{"-oout"}, "-o=out#3 "},
        SplitCase{{"--output", "-"}, "--output=-#3 "}, SplitCase{{"--output=a=b"}, "--output=a=b#3 "},
        SplitCase{{"--output="}, "--output=#3 "}, SplitCase{{"--outputx"}, "unknown --outputx"},
        SplitCase{{"in", "-o"}, "'in' missing -o"}, SplitCase{{"--output"}, "missing --output"},
        // An optional value only after '='.
        SplitCase{{"--color", "x"}, "--color#4 'x' "}, SplitCase{{"--color=never"}, "--color=never#4 "},
        // A joined prefix, after any exact spelling it shares.
        SplitCase{{"-Wall", "-Wno-foo", "-W"}, "-Wall#5 -W=no-foo#5 -W#5 "},
        // The first problem stops the split.
        SplitCase{{"-x", "--check"}, "unknown -x"}));

TEST(CommandLineArguments, SkipTheProgramName)
{
    const char* const argv[] = {"prog", "a", "-b"};
    EXPECT_EQ(ArgumentsOf(3, argv), (std::vector<std::string>{"a", "-b"}));
}

} // namespace
} // namespace quorlin::cli
