// Setting the PC's clock on Windows: SetLocalTime, with the privilege it needs turned on.
#include "app/PcClock.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kwf {

// Turns the right to set the clock on or off in this process's token. False when the account
// does not hold it (a program not run as administrator).
static bool enableSystemTimePrivilege(bool enable)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    bool ok = LookupPrivilegeValue(nullptr, SE_SYSTEMTIME_NAME, &tp.Privileges[0].Luid) != FALSE;
    // AdjustTokenPrivileges succeeds without granting a privilege the account does not hold:
    // only ERROR_SUCCESS afterwards means it is on.
    ok = ok && AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) != FALSE
         && GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

// Sets the local date and time; empty when done, otherwise why not.
QString setPcClock(const QDateTime& dt)
{
    const QDateTime local = dt.toLocalTime();
    SYSTEMTIME st{};
    st.wYear = WORD(local.date().year());
    st.wMonth = WORD(local.date().month());
    st.wDay = WORD(local.date().day());
    st.wHour = WORD(local.time().hour());
    st.wMinute = WORD(local.time().minute());
    st.wSecond = WORD(local.time().second());
    st.wMilliseconds = WORD(local.time().msec());
    const bool privileged = enableSystemTimePrivilege(true);
    // The system converts with the summer/winter time setting of the moment before the change:
    // a second call converts with the one of the new date.
    bool ok = SetLocalTime(&st) != FALSE;
    DWORD err = ok ? ERROR_SUCCESS : GetLastError();
    if (ok) {
        ok = SetLocalTime(&st) != FALSE;
        err = ok ? ERROR_SUCCESS : GetLastError();
    }
    if (privileged)
        enableSystemTimePrivilege(false);
    if (ok)
        return QString();
    if (err == ERROR_PRIVILEGE_NOT_HELD || err == ERROR_ACCESS_DENIED)
        return QStringLiteral("Ce programme n'a pas le droit de changer l'heure du PC : "
                              "lancez-le en tant qu'administrateur.");
    return QStringLiteral("Le système a refusé de changer l'heure du PC (erreur %1).").arg(qulonglong(err));
}

} // namespace kwf
