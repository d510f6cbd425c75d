// Standard streams on Windows: binary mode and the console's UTF-8 code page.
#include "standardstreams.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace quorlin {

void SetUpStandardStreams()
{
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    ::SetConsoleOutputCP(CP_UTF8);
}

bool StreamShowsColour(std::FILE* pStream)
{
    const int nFd = ::_fileno(pStream);
    const HANDLE hConsole = nFd >= 0 ? reinterpret_cast<HANDLE>(::_get_osfhandle(nFd)) : INVALID_HANDLE_VALUE;
    DWORD nMode = 0;
    if (hConsole == INVALID_HANDLE_VALUE || ::GetConsoleMode(hConsole, &nMode) == 0)
        return false;
    return (nMode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           ::SetConsoleMode(hConsole, nMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void IgnoreFileSizeSignal() {}

} // namespace quorlin
