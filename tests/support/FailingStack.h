#pragma once

#include "IdStackPosix.h"

#include <atomic>

// The platform's socket stack with one fault to order: the next receive fails with the
// WinSock code put into FailNextRecv (the socket counting as readable), as an aborted or
// reset connection makes it fail. It also counts the name lookups it is asked for. Installed
// with SetStackFactory(TFailingStack::Create) before the first socket component exists.
class TFailingStack : public TIdStackPosix {
public:
    static inline std::atomic<int> FailNextRecv{0};
    static inline std::atomic<int> Lookups{0};
    static TIdStack* Create() { return new TFailingStack; }

    QString WSGetHostByName(const QString& host) override
    {
        ++Lookups;
        return TIdStackPosix::WSGetHostByName(host);
    }
    int WSPollReadable(TIdStackSocketHandle s, int timeoutMs) override
    {
        return FailNextRecv ? 1 : TIdStackPosix::WSPollReadable(s, timeoutMs);
    }
    int WSRecv(TIdStackSocketHandle s, void* buffer, int length, int flags) override
    {
        if (const int code = FailNextRecv.exchange(0)) {
            SetLastError(code);
            return Id_SOCKET_ERROR;
        }
        return TIdStackPosix::WSRecv(s, buffer, length, flags);
    }
};
