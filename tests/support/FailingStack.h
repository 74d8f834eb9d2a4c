#pragma once

#include "IdStackPosix.h"

#include <atomic>
#include <functional>

// The platform's socket stack with faults to order. The next receive fails with the WinSock
// code put into FailNextRecv (the socket counting as readable), as an aborted or reset
// connection makes it fail. The hooks run on the connect's thread: BeforePeerName before the
// peer's address is read back; BeforeConnectWait between a completed connect and the look at
// the socket's error that ends it, whose code ConnectWaitError records. It also counts the
// name lookups. Installed with SetStackFactory(TFailingStack::Create) before the first socket
// component exists.
class TFailingStack : public TIdStackPosix {
public:
    static inline std::atomic<int> FailNextRecv{0};
    static inline std::atomic<int> Lookups{0};
    static inline std::function<void(TIdStackSocketHandle)> BeforePeerName;
    static inline std::function<void(TIdStackSocketHandle)> BeforeConnectWait;
    static inline std::atomic<int> ConnectWaitError{0};
    static TIdStack* Create() { return new TFailingStack; }
    static void ClearHooks()
    {
        BeforePeerName = nullptr;
        BeforeConnectWait = nullptr;
    }

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
    int WSConnect(TIdStackSocketHandle s, int family, const QString& ip, int port,
                  int cancelFd) override
    {
        if (!BeforeConnectWait)
            return TIdStackPosix::WSConnect(s, family, ip, port, cancelFd);
        if (TIdStackPosix::WSConnect(s, family, ip, port, -1) != 0)
            return Id_SOCKET_ERROR;
        BeforeConnectWait(s);
        const int rc = WaitConnected(s, cancelFd);
        ConnectWaitError = rc == 0 ? 0 : LastError();
        return rc;
    }
    void WSGetPeerName(TIdStackSocketHandle s, int& family, QString& ip, int& port) override
    {
        if (BeforePeerName)
            BeforePeerName(s);
        TIdStackPosix::WSGetPeerName(s, family, ip, port);
    }
};
