// Fuzz target: arbitrary command lines for CommandLineParser.
//
// The input is split at NUL bytes into argument entries. Both Init forms load
// them, SetMaxArgs limits some options, and every query is compared with a
// plain model of how the words should be split and recorded: options and
// their arguments, the loose list, the limits of 64 options and 128 arguments,
// the first-match rule of by-name queries and the case-blind names. A failed
// allocation must leave an empty parser. Any difference aborts with a
// description, which libFuzzer records as a crash together with the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commandlineparser.h"
#include "propertycheck.h"
#include "quorlinmemory.h"

using namespace quorlin;

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& left, const std::string& right)
{
    if (left.size() != right.size())
        return false;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (Lower(left[i]) != Lower(right[i]))
            return false;
    }
    return true;
}

// What the parser should hold.
struct Record {
    std::string name;
    std::vector<std::string> args;
};

struct Model {
    bool bComplete = true;
    std::vector<Record> options;
    std::vector<std::string> loose;

    // The first option of that name, or null.
    Record* Find(const std::string& name)
    {
        for (Record& record : options) {
            if (SameName(record.name, name))
                return &record;
        }
        return nullptr;
    }
};

std::vector<std::string> SplitWords(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (c == '\0')
            break;
        if (IsSpace(c)) {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

Model ParseModel(const std::string& text, char cDesignator)
{
    Model model;
    for (const std::string& word : SplitWords(text)) {
        if (word[0] == cDesignator) {
            if (model.options.size() == MAX_OPTIONS) {
                model.bComplete = false;
                break;
            }
            model.options.push_back({word.substr(1), {}});
            continue;
        }
        std::vector<std::string>& args = model.options.empty() ? model.loose : model.options.back().args;
        if (args.size() == MAX_OPTION_ARGS) {
            model.bComplete = false;
            break;
        }
        args.push_back(word);
    }
    return model;
}

std::uint32_t SetMaxArgsModel(Model& model, const std::string& name, std::uint32_t nMaxArgs)
{
    Record* pRecord = model.Find(name);
    if (pRecord == nullptr || pRecord->args.size() <= nMaxArgs)
        return 0;
    std::uint32_t nMoved = 0;
    for (std::size_t i = nMaxArgs; i < pRecord->args.size() && model.loose.size() < MAX_OPTION_ARGS; ++i) {
        model.loose.push_back(pRecord->args[i]);
        ++nMoved;
    }
    pRecord->args.resize(nMaxArgs);
    return nMoved;
}

void RequireText(const char* pszGot, const std::string& expected, const char* pszWhat)
{
    Require(pszGot != nullptr, pszWhat, "null instead of '" + expected + "'");
    Require(expected == pszGot, pszWhat, "'" + std::string(pszGot) + "' instead of '" + expected + "'");
}

// Names worth asking for: the names of the first few options and of the
// last one, as written, in other cases, lengthened and shortened, plus the
// driver's names and the empty name.
std::vector<std::string> NamesToAsk(const Model& model)
{
    constexpr std::size_t NUM_FIRST_OPTIONS = 6;
    std::vector<std::string> names = {"file", "out", "help", "FILE", ""};
    for (std::size_t nIndex = 0; nIndex < model.options.size(); ++nIndex) {
        if (nIndex >= NUM_FIRST_OPTIONS && nIndex + 1 != model.options.size())
            continue;
        const Record& record = model.options[nIndex];
        std::string upper = record.name;
        for (char& c : upper)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        names.push_back(record.name);
        names.push_back(upper);
        names.push_back(record.name + "x");
        if (!record.name.empty())
            names.push_back(record.name.substr(0, record.name.size() - 1));
    }
    return names;
}

void CompareByName(const CommandLineParser& parser, Model& model, const std::string& name)
{
    const Record* pExpected = model.Find(name);
    const OptionRecord* pFound = parser.FindOption(name.c_str());
    Require((pFound != nullptr) == (pExpected != nullptr), "FindOption finds the first option of that name", name);
    Require(parser.HasOption(name.c_str()) == (pExpected != nullptr), "HasOption", name);
    const std::size_t nArgs = pExpected != nullptr ? pExpected->args.size() : 0;
    Require(parser.GetNumArgs(name.c_str()) == nArgs, "GetNumArgs", name);
    if (pFound != nullptr)
        Require(pFound->m_nNumArgs == nArgs, "the found record's argument count", name);
    for (std::uint32_t i = 0; i < nArgs; ++i)
        RequireText(parser.GetArg(name.c_str(), i), pExpected->args[i], "GetArg");
    Require(parser.GetArg(name.c_str(), static_cast<std::uint32_t>(nArgs)) == nullptr, "GetArg past the end is null",
            name);
    Require(parser.GetArg(name.c_str(), UINT32_MAX) == nullptr, "GetArg far past the end is null", name);
}

void Compare(const CommandLineParser& parser, Model& model)
{
    Require(parser.GetNumOptions() == model.options.size(), "GetNumOptions");
    Require(parser.StoppedAtLimit() == !model.bComplete, "StoppedAtLimit tells whether a limit cut the parse short");
    for (std::uint32_t i = 0; i < model.options.size(); ++i)
        RequireText(parser.GetOption(i), model.options[i].name, "GetOption");
    Require(parser.GetOption(static_cast<std::uint32_t>(model.options.size())) == nullptr,
            "GetOption past the end is null");

    Require(parser.GetNumLooseArgs() == model.loose.size(), "GetNumLooseArgs");
    for (std::uint32_t i = 0; i < model.loose.size(); ++i)
        RequireText(parser.GetLooseArg(i), model.loose[i], "GetLooseArg");
    Require(parser.GetLooseArg(static_cast<std::uint32_t>(model.loose.size())) == nullptr,
            "GetLooseArg past the end is null");

    for (const std::string& name : NamesToAsk(model))
        CompareByName(parser, model, name);
}

// Limits a few options, as the driver does, and compares again. The limits
// come from the input, so the fuzzer steers them.
void LimitAndCompare(CommandLineParser& parser, Model& model, const std::string& input)
{
    std::vector<std::string> names = {"file", "out", "help"};
    for (std::size_t i = 0; i < model.options.size() && i < 4; ++i)
        names.push_back(model.options[i].name);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::uint32_t nMax = input.empty() ? 1 : static_cast<unsigned char>(input[i % input.size()]) % 5;
        const std::uint32_t nExpected = SetMaxArgsModel(model, names[i], nMax);
        Require(parser.SetMaxArgs(names[i].c_str(), nMax) == nExpected, "SetMaxArgs moves the excess",
                names[i] + " to " + std::to_string(nMax));
    }
    Compare(parser, model);
}

void CheckEmpty(const CommandLineParser& parser)
{
    Model empty;
    Require(parser.GetNumOptions() == 0 && parser.GetNumLooseArgs() == 0, "a parser without text is empty");
    Compare(parser, empty);
}

void CheckWithDesignator(const std::vector<std::string>& pieces, const std::string& input, char cDesignator)
{
    std::string joined;
    std::vector<const char*> argv;
    for (const std::string& piece : pieces) {
        joined += piece + ' ';
        argv.push_back(piece.c_str());
    }

    CommandLineParser parser;
    Model model = ParseModel(joined, cDesignator);
    const bool bListResult = parser.Init(static_cast<std::uint32_t>(argv.size()), argv.data(), cDesignator);
    Require(bListResult == model.bComplete, "Init (argument list) tells whether every word was recorded");
    Compare(parser, model);
    LimitAndCompare(parser, model, input);

    // The same text as one string, loaded into the same parser again.
    Model stringModel = ParseModel(joined, cDesignator);
    Require(parser.Init(joined.c_str(), cDesignator) == stringModel.bComplete,
            "Init (one string) tells whether every word was recorded");
    Compare(parser, stringModel);

    // The raw input as one string: it ends at its first NUL.
    Model rawModel = ParseModel(input, cDesignator);
    Require(parser.Init(input.c_str(), cDesignator) == rawModel.bComplete, "Init (raw string)");
    Compare(parser, rawModel);
    LimitAndCompare(parser, rawModel, input);

    // A failed allocation leaves an empty parser, whatever it held before.
    SetAllocationFailure(1);
    const bool bFailedList = parser.Init(static_cast<std::uint32_t>(argv.size()), argv.data(), cDesignator);
    SetAllocationFailure(1);
    CommandLineParser second;
    const bool bFailedString = second.Init(joined.c_str(), cDesignator);
    SetAllocationFailure(0);
    Require(!bFailedList && !bFailedString, "Init fails when its allocation fails");
    CheckEmpty(parser);
    CheckEmpty(second);
    Require(parser.SetMaxArgs("file", 0) == 0, "SetMaxArgs on an empty parser moves nothing");

    parser.Free();
    CheckEmpty(parser);
    Require(parser.Init(0, nullptr, cDesignator), "Init with no arguments");
    CheckEmpty(parser);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the fuzzer's bytes are the text
    const std::string input(reinterpret_cast<const char*>(pData), nSize);
    std::vector<std::string> pieces;
    if (nSize != 0) {
        std::size_t nStart = 0;
        for (;;) {
            const std::size_t nNul = input.find('\0', nStart);
            pieces.push_back(input.substr(nStart, nNul == std::string::npos ? std::string::npos : nNul - nStart));
            if (nNul == std::string::npos)
                break;
            nStart = nNul + 1;
        }
    }

    SetAllocationFailure(0);
    CheckWithDesignator(pieces, input, '/');
    // Any other byte that is not white space may serve as the designator.
    const char cOther = nSize != 0 ? input[nSize - 1] : '-';
    if (cOther != '\0' && cOther != '/' && !IsSpace(cOther))
        CheckWithDesignator(pieces, input, cOther);
    return 0;
}
