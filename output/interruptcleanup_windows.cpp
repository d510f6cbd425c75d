// InterruptCleanup on Windows: a console control handler. Windows runs it on
// a thread of its own when Ctrl-C or Ctrl-Break is pressed or the console is
// closed; it removes the armed temporary and returns FALSE, so that the next
// handler (in the end the default one, which ends the process) runs as it
// would have without it.
#include "interruptcleanup.h"

#include <windows.h>

#include <atomic>
#include <cassert>
#include <string>

#include "widetext_windows.h"

namespace quorlin {

namespace {

// Shared with the handler: the wide name is complete whenever the flag is set.
char s_szName[InterruptCleanup::NAME_SIZE];
wchar_t s_szWideName[InterruptCleanup::NAME_SIZE];
std::atomic<bool> s_bArmed{false};
bool s_bAlive = false;

BOOL WINAPI RemoveTemporary(DWORD)
{
    if (s_bArmed.load())
        ::DeleteFileW(s_szWideName);
    return FALSE;
}

} // namespace

InterruptCleanup::InterruptCleanup()
{
    assert(!s_bAlive);
    s_bAlive = true;
    s_bArmed = false;
    ::SetConsoleCtrlHandler(RemoveTemporary, TRUE);
}

InterruptCleanup::~InterruptCleanup()
{
    Disarm();
    ::SetConsoleCtrlHandler(RemoveTemporary, FALSE);
    s_bAlive = false;
}

char* InterruptCleanup::NameBuffer()
{
    assert(!s_bArmed.load());
    return s_szName;
}

const char* InterruptCleanup::Name() const { return s_szName; }

void InterruptCleanup::Arm()
{
    const std::wstring wide = WideText(s_szName);
    const std::size_t nLength = wide.size() < NAME_SIZE ? wide.size() : NAME_SIZE - 1;
    wide.copy(s_szWideName, nLength);
    s_szWideName[nLength] = L'\0';
    s_bArmed = true;
}

void InterruptCleanup::Disarm() { s_bArmed = false; }

} // namespace quorlin
