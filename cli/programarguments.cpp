#include "programarguments.h"

namespace quorlin {

ProgramArguments::ProgramArguments(int argc, char** argv) : m_words(Utf8Arguments(argc, argv))
{
    for (std::string& word : m_words)
        m_pointers.push_back(word.data());
    m_pointers.push_back(nullptr);
}

} // namespace quorlin
