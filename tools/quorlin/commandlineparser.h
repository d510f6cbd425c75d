// Splits a command line into options and their argument words.
//
// An option is a word that begins with a designator character chosen by the
// caller ('/' for quorlin); every other word is an argument of the option
// before it, or a loose argument when no option precedes it. The parser keeps
// one private copy of the text, splits it in place at white space, and answers
// every query with pointers into that copy: one heap allocation per Init and
// none afterwards. Options are looked up by name without regard to ASCII
// letter case; a by-name query always sees the first option of that name.
#ifndef QUORLIN_COMMANDLINEPARSER_H
#define QUORLIN_COMMANDLINEPARSER_H

#include <cstddef>
#include <cstdint>

namespace quorlin {

// Options one command line may hold.
constexpr std::uint32_t MAX_OPTIONS = 64;
// Arguments one option may hold; the loose list has the same bound.
constexpr std::uint32_t MAX_OPTION_ARGS = 128;

// True when two option names are equal, ASCII letters compared without
// regard to case (no other byte is folded): the comparison of every by-name
// lookup below.
bool OptionNamesMatch(const char* pszLeft, const char* pszRight);

// One option, or the loose list: offsets into the parser's text.
struct OptionRecord {
    OptionRecord() : m_nNameOffset(0), m_nNumArgs(0) {}

    // First character of the name, right after the designator. Unused (0) in
    // the loose list.
    std::uint32_t m_nNameOffset;
    // Arguments recorded, 0 to MAX_OPTION_ARGS.
    std::uint32_t m_nNumArgs;
    // First character of each argument word, in command-line order.
    std::uint32_t m_nArgOffsets[MAX_OPTION_ARGS];
};

class CommandLineParser {
public:
    CommandLineParser();
    ~CommandLineParser();
    CommandLineParser(const CommandLineParser&) = delete;
    CommandLineParser& operator=(const CommandLineParser&) = delete;

    // Loads the arguments, joined with one space after each. True when the
    // text was built and every word recorded; false when the allocation failed
    // (the parser is then empty) or a limit stopped the parse (what was
    // recorded before the limit stays).
    bool Init(std::uint32_t nNumArgs, const char* const* ppszArgs, char cDesignator);
    // Loads a copy of one string; the result is as above.
    bool Init(const char* pszCommandLine, char cDesignator);

    // Splits the text held and records its words. True when every word was
    // recorded; stops with false at the first word beyond MAX_OPTIONS options
    // or MAX_OPTION_ARGS arguments of one record. The designator must not be
    // white space.
    bool Parse(char cDesignator);

    // Releases the text and returns to the empty state.
    void Free();

    // True when the last Parse (and with it Init) stopped at MAX_OPTIONS or
    // MAX_OPTION_ARGS, leaving words unrecorded; false after a complete parse,
    // a failed allocation or Free. Tells the two reasons for a false Init
    // apart.
    bool StoppedAtLimit() const { return m_bStoppedAtLimit; }

    std::uint32_t GetNumOptions() const { return m_nNumOptions; }
    // Name of the option at that position; null past the end.
    const char* GetOption(std::uint32_t nIndex) const;

    // First option of that name (ASCII case ignored); null when none has it.
    const OptionRecord* FindOption(const char* pszName) const;
    bool HasOption(const char* pszName) const;
    std::uint32_t GetNumArgs(const char* pszName) const;
    // An argument of the first option of that name; null when there is none.
    const char* GetArg(const char* pszName, std::uint32_t nIndex) const;

    // Limits the first option of that name to nMaxArgs arguments. The excess
    // joins the end of the loose list as far as it has room; the rest is
    // dropped. Returns the number of arguments moved.
    std::uint32_t SetMaxArgs(const char* pszName, std::uint32_t nMaxArgs);

    std::uint32_t GetNumLooseArgs() const { return m_LooseArgs.m_nNumArgs; }
    const char* GetLooseArg(std::uint32_t nIndex) const;

private:
    static constexpr std::uint32_t NOT_FOUND = UINT32_MAX;

    // Index of the first option of that name; NOT_FOUND when none has it.
    std::uint32_t FindOptionIndex(const char* pszName) const;
    bool AllocateText(std::size_t nSize);
    bool RecordOption(std::uint32_t nPosition);
    bool RecordArgument(std::uint32_t nPosition);
    const char* ArgOf(const OptionRecord& record, std::uint32_t nIndex) const;

    char* m_pText;
    std::uint32_t m_nNumOptions;
    OptionRecord m_Options[MAX_OPTIONS];
    OptionRecord m_LooseArgs;
    bool m_bStoppedAtLimit;
};

} // namespace quorlin

#endif
