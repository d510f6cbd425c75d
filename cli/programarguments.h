// The program's command line as UTF-8 words: argv as it came on POSIX; on
// Windows the wide command line (GetCommandLineW), split as the C runtime
// splits it and converted, so that any name reaches the program whole.
#ifndef QUORLIN_PROGRAMARGUMENTS_H
#define QUORLIN_PROGRAMARGUMENTS_H

#include <string>
#include <vector>

namespace quorlin {

// The words of the command line, the program's name first.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The words as main() takes them; they live as long as the object.
class ProgramArguments {
public:
    ProgramArguments(int argc, char** argv);
    int Count() const { return static_cast<int>(m_pointers.size()) - 1; }
    char** Values() { return m_pointers.data(); }

private:
    std::vector<std::string> m_words;
    std::vector<char*> m_pointers; // ends with a null pointer, as argv does
};

} // namespace quorlin

#endif
