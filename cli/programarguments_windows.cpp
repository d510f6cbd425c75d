// The command line on Windows, from the wide form the process was given.
#include "programarguments.h"

#include <windows.h>

#include <shellapi.h>

#include "widetext_windows.h"

namespace quorlin {

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    int nWords = 0;
    LPWSTR* ppWords = ::CommandLineToArgvW(::GetCommandLineW(), &nWords);
    if (ppWords == nullptr)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> words;
    for (int i = 0; i < nWords; ++i)
        words.push_back(Utf8Text(ppWords[i]));
    ::LocalFree(ppWords);
    return words;
}

} // namespace quorlin
