#include "commandlineparser.h"

#include <cassert>
#include <cstring>

#include "charclass.h"
#include "quorlinmemory.h"

namespace quorlin {

namespace {

// Offsets into the text are 32-bit, so the text (with its NUL) is bounded.
constexpr std::size_t MAX_TEXT_SIZE = UINT32_MAX;

} // namespace

bool OptionNamesMatch(const char* pszLeft, const char* pszRight) { return EqualsNoCase(pszLeft, pszRight); }

CommandLineParser::CommandLineParser() : m_pText(nullptr), m_nNumOptions(0), m_bStoppedAtLimit(false) {}

CommandLineParser::~CommandLineParser() { Free(); }

void CommandLineParser::Free()
{
    ReleaseMemory(m_pText);
    m_pText = nullptr;
    m_nNumOptions = 0;
    m_LooseArgs.m_nNumArgs = 0;
    m_bStoppedAtLimit = false;
}

bool CommandLineParser::AllocateText(std::size_t nSize)
{
    if (nSize > MAX_TEXT_SIZE)
        return false;
    m_pText = static_cast<char*>(AllocateMemory(nSize));
    return m_pText != nullptr;
}

bool CommandLineParser::Init(std::uint32_t nNumArgs, const char* const* ppszArgs, char cDesignator)
{
    Free();

    // Each argument with the space after it, then the terminating NUL.
    std::size_t nSize = 1;
    for (std::uint32_t i = 0; i < nNumArgs; ++i) {
        nSize += std::strlen(ppszArgs[i]) + 1;
        if (nSize > MAX_TEXT_SIZE)
            return false;
    }
    if (!AllocateText(nSize))
        return false;

    // No quoting: an argument holding white space becomes several words, and
    // an empty argument adds only its space.
    char* pWrite = m_pText;
    for (std::uint32_t i = 0; i < nNumArgs; ++i) {
        const std::size_t nLength = std::strlen(ppszArgs[i]);
        std::memcpy(pWrite, ppszArgs[i], nLength);
        pWrite += nLength;
        *pWrite++ = ' ';
    }
    *pWrite = '\0';

    return Parse(cDesignator);
}

bool CommandLineParser::Init(const char* pszCommandLine, char cDesignator)
{
    Free();

    const std::size_t nSize = std::strlen(pszCommandLine) + 1;
    if (!AllocateText(nSize))
        return false;
    std::memcpy(m_pText, pszCommandLine, nSize);

    return Parse(cDesignator);
}

bool CommandLineParser::Parse(char cDesignator)
{
    // Only the "C" locale's six characters split words, whatever the locale.
    assert(!IsSpaceChar(cDesignator));

    m_bStoppedAtLimit = false;
    if (m_pText == nullptr)
        return true;

    const std::uint32_t nLength = static_cast<std::uint32_t>(std::strlen(m_pText));
    for (std::uint32_t i = 0; i < nLength; ++i) {
        if (IsSpaceChar(m_pText[i]))
            m_pText[i] = '\0';
    }

    for (std::uint32_t i = 0; i < nLength; ++i) {
        const bool bWordStart = m_pText[i] != '\0' && (i == 0 || m_pText[i - 1] == '\0');
        if (!bWordStart)
            continue;
        const bool bRecorded = (m_pText[i] == cDesignator) ? RecordOption(i) : RecordArgument(i);
        if (!bRecorded) {
            m_bStoppedAtLimit = true;
            return false;
        }
    }
    return true;
}

bool CommandLineParser::RecordOption(std::uint32_t nPosition)
{
    if (m_nNumOptions == MAX_OPTIONS)
        return false;
    OptionRecord& record = m_Options[m_nNumOptions++];
    record.m_nNameOffset = nPosition + 1;
    record.m_nNumArgs = 0;
    return true;
}

bool CommandLineParser::RecordArgument(std::uint32_t nPosition)
{
    OptionRecord& record = (m_nNumOptions == 0) ? m_LooseArgs : m_Options[m_nNumOptions - 1];
    if (record.m_nNumArgs == MAX_OPTION_ARGS)
        return false;
    record.m_nArgOffsets[record.m_nNumArgs++] = nPosition;
    return true;
}

const char* CommandLineParser::GetOption(std::uint32_t nIndex) const
{
    if (nIndex >= m_nNumOptions)
        return nullptr;
    return m_pText + m_Options[nIndex].m_nNameOffset;
}

std::uint32_t CommandLineParser::FindOptionIndex(const char* pszName) const
{
    for (std::uint32_t i = 0; i < m_nNumOptions; ++i) {
        if (OptionNamesMatch(m_pText + m_Options[i].m_nNameOffset, pszName))
            return i;
    }
    return NOT_FOUND;
}

const OptionRecord* CommandLineParser::FindOption(const char* pszName) const
{
    const std::uint32_t nIndex = FindOptionIndex(pszName);
    return nIndex != NOT_FOUND ? &m_Options[nIndex] : nullptr;
}

bool CommandLineParser::HasOption(const char* pszName) const { return FindOption(pszName) != nullptr; }

std::uint32_t CommandLineParser::GetNumArgs(const char* pszName) const
{
    const OptionRecord* pRecord = FindOption(pszName);
    return pRecord != nullptr ? pRecord->m_nNumArgs : 0;
}

const char* CommandLineParser::ArgOf(const OptionRecord& record, std::uint32_t nIndex) const
{
    if (nIndex >= record.m_nNumArgs)
        return nullptr;
    return m_pText + record.m_nArgOffsets[nIndex];
}

const char* CommandLineParser::GetArg(const char* pszName, std::uint32_t nIndex) const
{
    const OptionRecord* pRecord = FindOption(pszName);
    return pRecord != nullptr ? ArgOf(*pRecord, nIndex) : nullptr;
}

const char* CommandLineParser::GetLooseArg(std::uint32_t nIndex) const { return ArgOf(m_LooseArgs, nIndex); }

std::uint32_t CommandLineParser::SetMaxArgs(const char* pszName, std::uint32_t nMaxArgs)
{
    const std::uint32_t nIndex = FindOptionIndex(pszName);
    if (nIndex == NOT_FOUND || m_Options[nIndex].m_nNumArgs <= nMaxArgs)
        return 0;
    OptionRecord& record = m_Options[nIndex];

    std::uint32_t nMoved = 0;
    for (std::uint32_t i = nMaxArgs; i < record.m_nNumArgs; ++i) {
        if (m_LooseArgs.m_nNumArgs == MAX_OPTION_ARGS)
            break;
        m_LooseArgs.m_nArgOffsets[m_LooseArgs.m_nNumArgs++] = record.m_nArgOffsets[i];
        ++nMoved;
    }
    // Whatever found no room in the loose list is dropped.
    record.m_nNumArgs = nMaxArgs;
    return nMoved;
}

} // namespace quorlin
