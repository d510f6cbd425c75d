// Reading scripts and writing compiled files for tfsc. A script must be a
// regular file (or standard input): inputfile.h.
#include "tfscoutput.h"

#include "inputfile.h"
#include "outputfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quorlin {

bool ReadInput(const std::string& name, std::string& text, std::string& reason)
{
    if (name == "-")
        return ReadStandardInput(text, reason);
    return ReadRegularFile(name.c_str(), text, reason) == InputStatus::READ;
}

const std::string* InputWrittenBy(const std::string& output, const std::vector<std::string>& inputs)
{
    OutputTarget target;
    if (output == "-" || !ResolveOutputTarget(output.c_str(), target))
        return nullptr;
    for (const std::string& input : inputs) {
        FileIdentity identity;
        const bool bKnown = input == "-" ? IdentifyStream(stdin, identity) : IdentifyFile(input.c_str(), identity);
        if (bKnown && TargetIsFile(target, identity))
            return &input;
    }
    return nullptr;
}

bool WriteCompiledOutput(const std::string& name, const std::vector<std::uint8_t>& bytes, bool bDerived,
                         std::string& reason)
{
    errno = 0;
    const LinkPolicy links = bDerived ? LinkPolicy::REFUSE : LinkPolicy::FOLLOW;
    const OutputResult result = name == "-" ? WriteStandardOutput(bytes.data(), bytes.size())
                                            : WriteOutputFile(name.c_str(), bytes.data(), bytes.size(), links);
    // The write keeps errno of the failing call; the kind of failure says the rest.
    const int nError = errno;
    if (result == OutputResult::OK)
        return true;
    if (result == OutputResult::LINK_REFUSED) {
        reason = "it is a symbolic link; remove it, or name the output with -o to write where it leads";
        return false;
    }
    const char* pszKind = result == OutputResult::OPEN_ERROR ? "cannot be opened" : "writing failed";
    reason = std::string(pszKind) + (nError != 0 ? std::string(": ") + std::strerror(nError) : std::string());
    return false;
}

namespace {

// Whether the write of a derived output would be refused: its name is a link.
bool LinkRefused(const std::string& name)
{
    OutputTarget target;
    return ResolveOutputTarget(name.c_str(), target, LinkPolicy::REFUSE) && target.bRefusedLink;
}

} // namespace

bool OutputHolds(const std::string& name, const std::vector<std::uint8_t>& bytes, bool bDerived)
{
    std::string text;
    std::string reason;
    if (name == "-" || (bDerived && LinkRefused(name)) ||
        ReadRegularFile(name.c_str(), text, reason, bytes.size() + 1) != InputStatus::READ)
        return false;
    return std::equal(text.begin(), text.end(), bytes.begin(), bytes.end(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

} // namespace quorlin
