// Recognising a script by its first word, for the tools that pick scripts
// out of a folder of text files.
#include "quorlin/quorlin.h"
#include "scanner.h"

namespace quorlin {

bool StartsLikeScript(std::string_view text)
{
    Scanner scanner(text);
    return IsSectionKeyword(scanner.Next().kind);
}

} // namespace quorlin
