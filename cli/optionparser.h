// The GNU-style command line that tfsc, tfsdump and quorlin-format share:
// options from a table of the program's own, "--" ends the options, and
// everything else, "-" (standard input) included, is an operand. The parser
// only splits the words; each program gives its options their meaning and
// words its own messages.
#ifndef QUORLIN_OPTIONPARSER_H
#define QUORLIN_OPTIONPARSER_H

#include <string>
#include <string_view>
#include <vector>

namespace quorlin::cli {

// The standard input's name on the command line, and in messages.
constexpr std::string_view STDIN_ARGUMENT = "-";
constexpr std::string_view STDIN_DISPLAY_NAME = "<stdin>";

// The name of an input in messages: "<stdin>" for "-", else the argument.
inline std::string DisplayName(std::string_view argument)
{
    return std::string(argument == STDIN_ARGUMENT ? STDIN_DISPLAY_NAME : argument);
}

// What follows an option's spelling.
enum class OptionValue {
    NONE,     // a flag: "--check"
    REQUIRED, // "-o FILE", "-oFILE", "--output FILE", "--output=FILE"
    OPTIONAL, // "--color" alone, or "--color=WHEN"
    JOINED,   // the spelling is a prefix and the rest of the word the value: "-Wname"
};

// One spelling of an option; an option with several spellings ("-h" and
// "--help") has an entry for each, with the same id. The value's name
// ("FILE") and the help line serve --help texts and shell completion.
struct OptionEntry {
    int id;
    std::string_view spelling;
    OptionValue value = OptionValue::NONE;
    std::string_view valueName = {};
    std::string_view help = {};
};

// A word of the command line: an operand, or an option with its value.
struct CommandLineItem {
    bool isOperand = false;
    int id = 0;       // the option's id; 0 for an operand
    std::string text; // the operand, or the option as written (without an attached value)
    bool hasValue = false;
    std::string value;
};

enum class CommandLineError {
    NONE,
    UNKNOWN_OPTION, // argument: the word as written
    MISSING_VALUE,  // argument: the option as written, last on the line
};

struct CommandLineProblem {
    CommandLineError error = CommandLineError::NONE;
    std::string argument;
};

// Splits the words after the program's name, in their order. Stops at the
// first problem, which it returns; items holds the words before it.
CommandLineProblem ParseCommandLine(const std::vector<std::string>& args, const std::vector<OptionEntry>& table,
                                    std::vector<CommandLineItem>& items);

// The words of argv after the program's name.
std::vector<std::string> ArgumentsOf(int argc, const char* const* argv);

} // namespace quorlin::cli

#endif
