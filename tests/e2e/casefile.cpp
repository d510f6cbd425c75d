#include "casefile.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace quorlin {
namespace {

const std::string HEADER_PREFIX = "=== ";

// A section as found in the text, before its body is interpreted.
struct Section {
    std::string keyword;
    std::string name; // empty when the header has none
    std::string body;
    unsigned nLine = 0; // 1-based line of the header
};

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string Trim(const std::string& text)
{
    std::size_t nBegin = 0;
    std::size_t nEnd = text.size();
    while (nBegin < nEnd && IsSpace(text[nBegin]))
        ++nBegin;
    while (nEnd > nBegin && IsSpace(text[nEnd - 1]))
        --nEnd;
    return text.substr(nBegin, nEnd - nBegin);
}

// The body's lines without their line feeds; a last line without a line
// feed counts too.
std::vector<std::string> BodyLines(const std::string& body)
{
    std::vector<std::string> lines;
    std::size_t nStart = 0;
    while (nStart < body.size()) {
        const std::size_t nFeed = body.find('\n', nStart);
        if (nFeed == std::string::npos) {
            lines.push_back(body.substr(nStart));
            break;
        }
        lines.push_back(body.substr(nStart, nFeed - nStart));
        nStart = nFeed + 1;
    }
    return lines;
}

// Splits the text into its sections; the lines before the first are comments.
std::vector<Section> SplitSections(const std::string& text)
{
    std::vector<Section> sections;
    std::size_t nStart = 0;
    unsigned nLine = 0;
    while (nStart < text.size()) {
        ++nLine;
        const std::size_t nFeed = text.find('\n', nStart);
        const std::size_t nEnd = (nFeed == std::string::npos) ? text.size() : nFeed + 1;
        const std::string line = text.substr(nStart, nEnd - nStart);
        nStart = nEnd;

        if (line.compare(0, HEADER_PREFIX.size(), HEADER_PREFIX) == 0) {
            Section section;
            std::string header = line.substr(HEADER_PREFIX.size());
            if (!header.empty() && header.back() == '\n')
                header.pop_back();
            const std::size_t nSpace = header.find(' ');
            section.keyword = header.substr(0, nSpace);
            if (nSpace != std::string::npos)
                section.name = header.substr(nSpace + 1);
            section.nLine = nLine;
            sections.push_back(section);
        } else if (!sections.empty()) {
            sections.back().body += line;
        }
    }
    return sections;
}

// Names stay inside the scratch folder: relative, without "..".
bool IsSafeName(const std::string& name)
{
    if (name.empty() || name[0] == '/')
        return false;
    std::size_t nStart = 0;
    while (true) {
        const std::size_t nSlash = name.find('/', nStart);
        const std::string part = name.substr(nStart, nSlash == std::string::npos ? std::string::npos : nSlash - nStart);
        if (part == "..")
            return false;
        if (nSlash == std::string::npos)
            return true;
        nStart = nSlash + 1;
    }
}

// Enough for the largest generated script, small enough to catch a typo.
constexpr unsigned long MAX_REPEAT = 1000000;

// A repeat count: decimal digits only, from 1 to MAX_REPEAT.
bool ParseCount(const std::string& text, unsigned long& nCount)
{
    if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    nCount = std::stoul(text);
    return nCount >= 1 && nCount <= MAX_REPEAT;
}

// Sections about a file carry its name; those about the run carry none.
bool TakesName(const std::string& keyword)
{
    static const char* const aUnnamed[] = {"args", "stdin-hex", "stdout", "stderr", "status", "posix-only"};
    for (const char* pszUnnamed : aUnnamed) {
        if (keyword == pszUnnamed)
            return false;
    }
    return true;
}

bool ParseStatus(const std::string& body, int& nStatus)
{
    const std::string digits = Trim(body);
    if (digits.empty() || digits.size() > 3)
        return false;
    nStatus = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        nStatus = nStatus * 10 + (c - '0');
    }
    return nStatus <= 255;
}

bool ParseMode(const std::string& body, unsigned& nMode)
{
    const std::string digits = Trim(body);
    if (digits.empty() || digits.size() > 4)
        return false;
    nMode = 0;
    for (char c : digits) {
        if (c < '0' || c > '7')
            return false;
        nMode = nMode * 8 + static_cast<unsigned>(c - '0');
    }
    return true;
}

class CaseParser {
public:
    explicit CaseParser(CaseFile& result) : m_result(result) {}

    bool Parse(const std::string& text, std::string& error)
    {
        m_result = CaseFile();
        std::vector<Section> sections = SplitSections(text);
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (!ExpandRepeats(sections, i) || !ApplySection(sections[i])) {
                error = "line " + std::to_string(sections[i].nLine) + " (=== " + sections[i].keyword +
                        (sections[i].name.empty() ? "" : " " + sections[i].name) + "): " + m_problem;
                return false;
            }
        }
        if (!m_bHasStdout || !m_bHasStatus) {
            error = m_bHasStdout ? "no \"=== status\" section" : "no \"=== stdout\" section";
            return false;
        }
        return true;
    }

private:
    bool Fail(const std::string& problem)
    {
        m_problem = problem;
        return false;
    }

    // Appends the bodies of the "repeat" sections that follow sections[nAt]
    // to it and drops them, so that the section is applied whole. On a fault
    // sections[nAt] becomes the faulty repeat.
    bool ExpandRepeats(std::vector<Section>& sections, std::size_t nAt)
    {
        if (sections[nAt].keyword == "repeat")
            return Fail("must follow the section it continues");
        const std::size_t nNext = nAt + 1;
        while (nNext < sections.size() && sections[nNext].keyword == "repeat") {
            unsigned long nCount = 0;
            if (!ParseCount(sections[nNext].name, nCount)) {
                sections[nAt] = sections[nNext];
                return Fail("needs a count from 1 to " + std::to_string(MAX_REPEAT));
            }
            for (unsigned long n = 0; n < nCount; ++n)
                sections[nAt].body += sections[nNext].body;
            sections.erase(sections.begin() + static_cast<std::ptrdiff_t>(nNext));
        }
        return true;
    }

    // Marks a section that may appear once; false when it came before.
    bool Once(bool& bSeen)
    {
        if (bSeen)
            return Fail("section given twice");
        bSeen = true;
        return true;
    }

    bool ApplySection(const Section& section)
    {
        const bool bNamed = TakesName(section.keyword);
        if (bNamed && !IsSafeName(section.name))
            return Fail("needs a relative file name without \"..\"");
        if (!bNamed && !section.name.empty())
            return Fail("takes no name");

        if (section.keyword == "args")
            return ApplyArgs(section.body);
        if (section.keyword == "stdout") {
            m_result.expectedStdout = section.body;
            return Once(m_bHasStdout);
        }
        if (section.keyword == "stderr") {
            m_result.expectedStderr = section.body;
            return Once(m_bHasStderr);
        }
        if (section.keyword == "stdin-hex")
            return Once(m_bHasStdin) &&
                   (DecodeHex(section.body, m_result.standardInput) || Fail("the body must be pairs of hex digits"));
        if (section.keyword == "status")
            return Once(m_bHasStatus) && (ParseStatus(section.body, m_result.expectedStatus) ||
                                          Fail("the status must be a number from 0 to 255"));
        if (section.keyword == "file" || section.keyword == "file-noeol" || section.keyword == "file-hex")
            return ApplyFile(section);
        if (section.keyword == "symlink")
            return ApplySymlink(section);
        if (section.keyword == "fifo")
            return ApplyFifo(section);
        if (section.keyword == "chmod" || section.keyword == "mode")
            return ApplyMode(section);
        if (section.keyword == "link")
            return ApplyLink(section);
        if (section.keyword == "output" || section.keyword == "output-text")
            return ApplyOutput(section);
        if (section.keyword == "nofile")
            return ApplyNoFile(section);
        if (section.keyword == "posix-only")
            return ApplyPosixOnly(section);
        return Fail("unknown section");
    }

    bool ApplyPosixOnly(const Section& section)
    {
        const std::vector<std::string> lines = BodyLines(section.body);
        if (lines.size() != 1 || lines[0].empty())
            return Fail("the body must be one line saying what only POSIX has");
        m_result.posixOnly = lines[0];
        return true;
    }

    bool ApplyArgs(const std::string& body)
    {
        if (!Once(m_bHasArgs))
            return false;
        m_result.args = BodyLines(body);
        return true;
    }

    bool ApplyFile(const Section& section)
    {
        CaseSetupEntry entry;
        entry.name = section.name;
        entry.content = section.body;
        if (section.keyword == "file-noeol") {
            if (!entry.content.empty() && entry.content.back() != '\n')
                return Fail("the body has no final line feed to leave out");
            if (!entry.content.empty())
                entry.content.pop_back();
        } else if (section.keyword == "file-hex" && !DecodeHex(section.body, entry.content)) {
            return Fail("the body must be pairs of hex digits");
        }
        m_result.setup.push_back(entry);
        return true;
    }

    bool ApplySymlink(const Section& section)
    {
        const std::vector<std::string> lines = BodyLines(section.body);
        if (lines.size() != 1 || lines[0].empty())
            return Fail("the body must be one line naming the link's target");
        m_result.setup.push_back({CaseSetupEntry::Kind::SYMLINK, section.name, lines[0]});
        return true;
    }

    bool ApplyFifo(const Section& section)
    {
        if (!Trim(section.body).empty())
            return Fail("takes no body");
        m_result.setup.push_back({CaseSetupEntry::Kind::FIFO, section.name, ""});
        return true;
    }

    bool ApplyMode(const Section& section)
    {
        unsigned nMode = 0;
        if (!ParseMode(section.body, nMode))
            return Fail("the body must be an octal number from 0 to 7777");
        if (section.keyword == "chmod") {
            m_result.setup.push_back({CaseSetupEntry::Kind::CHMOD, section.name, "", nMode});
            return true;
        }
        CaseExpectedFile expected;
        expected.name = section.name;
        expected.checkMode = true;
        expected.nMode = nMode;
        m_result.expectedFiles.push_back(expected);
        return true;
    }

    bool ApplyLink(const Section& section)
    {
        const std::vector<std::string> lines = BodyLines(section.body);
        if (lines.size() != 1 || lines[0].empty())
            return Fail("the body must be one line naming the link's target");
        CaseExpectedFile expected;
        expected.name = section.name;
        expected.checkLink = true;
        expected.linkTarget = lines[0];
        m_result.expectedFiles.push_back(expected);
        return true;
    }

    bool ApplyOutput(const Section& section)
    {
        CaseExpectedFile expected;
        expected.name = section.name;
        expected.isText = section.keyword == "output-text";
        if (expected.isText)
            expected.bytes = section.body;
        else if (!DecodeHex(section.body, expected.bytes))
            return Fail("the body must be pairs of hex digits");
        m_result.expectedFiles.push_back(expected);
        return true;
    }

    bool ApplyNoFile(const Section& section)
    {
        if (!Trim(section.body).empty())
            return Fail("takes no body");
        CaseExpectedFile expected;
        expected.name = section.name;
        expected.mustExist = false;
        m_result.expectedFiles.push_back(expected);
        return true;
    }

    CaseFile& m_result;
    std::string m_problem;
    bool m_bHasArgs = false;
    bool m_bHasStdout = false;
    bool m_bHasStatus = false;
    bool m_bHasStderr = false;
    bool m_bHasStdin = false;
};

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool DecodeHex(const std::string& text, std::string& bytes)
{
    bytes.clear();
    int nHigh = -1;
    for (char c : text) {
        if (IsSpace(c))
            continue;
        const int nValue = HexValue(c);
        if (nValue < 0)
            return false;
        if (nHigh < 0) {
            nHigh = nValue;
        } else {
            bytes.push_back(static_cast<char>(nHigh * 16 + nValue));
            nHigh = -1;
        }
    }
    return nHigh < 0;
}

bool ParseCaseFile(const std::string& text, CaseFile& result, std::string& error)
{
    return CaseParser(result).Parse(text, error);
}

bool LoadCaseFile(const std::string& path, CaseFile& result, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseCaseFile(text.str(), result, error);
}

std::string PosixOnlyReason(const CaseFile& testCase)
{
    if (!testCase.posixOnly.empty())
        return testCase.posixOnly;
    for (const CaseSetupEntry& entry : testCase.setup) {
        if (entry.kind == CaseSetupEntry::Kind::SYMLINK)
            return "symbolic links";
        if (entry.kind == CaseSetupEntry::Kind::FIFO)
            return "FIFOs";
    }
    for (const CaseExpectedFile& expected : testCase.expectedFiles) {
        if (expected.checkMode)
            return "permission bits";
        if (expected.checkLink)
            return "symbolic links";
    }
    return "";
}

} // namespace quorlin
