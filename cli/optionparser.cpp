#include "optionparser.h"

namespace quorlin::cli {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsShort(std::string_view spelling) { return spelling.size() == 2 && spelling[0] == '-' && spelling[1] != '-'; }

bool IsOperand(std::string_view word) { return word.size() < 2 || word[0] != '-'; }

CommandLineItem Option(const OptionEntry& entry, std::string_view written)
{
    CommandLineItem item;
    item.id = entry.id;
    item.text = std::string(written);
    return item;
}

CommandLineItem WithValue(CommandLineItem item, std::string_view value)
{
    item.hasValue = true;
    item.value = std::string(value);
    return item;
}

// The value written in the same word: "--name=value", "-oVALUE", or the
// rest of a joined option; npos when the word holds none.
std::size_t AttachedValueStart(const OptionEntry& entry, std::string_view word)
{
    if (word.size() == entry.spelling.size())
        return std::string_view::npos;
    if (entry.value == OptionValue::JOINED || (entry.value == OptionValue::REQUIRED && IsShort(entry.spelling)))
        return entry.spelling.size();
    if (word[entry.spelling.size()] == '=' && entry.value != OptionValue::NONE)
        return entry.spelling.size() + 1;
    return std::string_view::npos;
}

// Whether the word is this spelling, with or without an attached value.
bool Matches(const OptionEntry& entry, std::string_view word)
{
    if (!StartsWith(word, entry.spelling))
        return false;
    return word.size() == entry.spelling.size() || AttachedValueStart(entry, word) != std::string_view::npos;
}

// An exact spelling before a prefix: "--check" is not "-W" with "-check".
const OptionEntry* FindEntry(const std::vector<OptionEntry>& table, std::string_view word)
{
    for (const OptionEntry& entry : table) {
        if (word == entry.spelling && entry.value != OptionValue::JOINED)
            return &entry;
    }
    for (const OptionEntry& entry : table) {
        if (Matches(entry, word))
            return &entry;
    }
    return nullptr;
}

class Splitter {
public:
    Splitter(const std::vector<std::string>& args, const std::vector<OptionEntry>& table,
             std::vector<CommandLineItem>& items)
        : m_args(args), m_table(table), m_items(items)
    {
    }

    CommandLineProblem Run()
    {
        bool bOptionsEnded = false;
        while (m_nNext < m_args.size()) {
            const std::string& word = m_args[m_nNext++];
            if (!bOptionsEnded && word == "--")
                bOptionsEnded = true;
            else if (bOptionsEnded || IsOperand(word))
                m_items.push_back(Operand(word));
            else if (!TakeOption(word))
                return m_problem;
        }
        return m_problem;
    }

private:
    static CommandLineItem Operand(const std::string& word)
    {
        CommandLineItem item;
        item.isOperand = true;
        item.text = word;
        return item;
    }

    bool TakeOption(std::string_view word)
    {
        const OptionEntry* pEntry = FindEntry(m_table, word);
        if (pEntry == nullptr)
            return Fail(CommandLineError::UNKNOWN_OPTION, word);
        const std::size_t nValue = AttachedValueStart(*pEntry, word);
        if (nValue != std::string_view::npos) {
            const std::string_view written = word.substr(0, pEntry->spelling.size());
            m_items.push_back(WithValue(Option(*pEntry, written), word.substr(nValue)));
            return true;
        }
        if (pEntry->value != OptionValue::REQUIRED) {
            m_items.push_back(Option(*pEntry, word));
            return true;
        }
        if (m_nNext >= m_args.size())
            return Fail(CommandLineError::MISSING_VALUE, word);
        m_items.push_back(WithValue(Option(*pEntry, word), m_args[m_nNext++]));
        return true;
    }

    bool Fail(CommandLineError error, std::string_view word)
    {
        m_problem = {error, std::string(word)};
        return false;
    }

    const std::vector<std::string>& m_args;
    const std::vector<OptionEntry>& m_table;
    std::vector<CommandLineItem>& m_items;
    std::size_t m_nNext = 0;
    CommandLineProblem m_problem;
};

} // namespace

CommandLineProblem ParseCommandLine(const std::vector<std::string>& args, const std::vector<OptionEntry>& table,
                                    std::vector<CommandLineItem>& items)
{
    return Splitter(args, table, items).Run();
}

std::vector<std::string> ArgumentsOf(int argc, const char* const* argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

} // namespace quorlin::cli
