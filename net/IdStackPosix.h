#pragma once

#include "IdStack.h"

// The stack over POSIX sockets, IPv4 only. This platform needs no library loading and no
// start-up call, so creating the stack does nothing but build the object.
class TIdStackPosix : public TIdStack {
public:
    TIdStackSocketHandle WSSocket(int family, int type, int protocol) override;
    int WSBind(TIdStackSocketHandle s, int family, const QString& ip, int port) override;
    int WSConnect(TIdStackSocketHandle s, int family, const QString& ip, int port,
                  int cancelFd) override;
    int WSPollReadable(TIdStackSocketHandle s, int timeoutMs) override;
    int WSRecv(TIdStackSocketHandle s, void* buffer, int length, int flags) override;
    int WSShutdown(TIdStackSocketHandle s, int how) override;
    int WSCloseSocket(TIdStackSocketHandle s) override;
    void WSGetSockName(TIdStackSocketHandle s, int& family, QString& ip, int& port) override;
    void WSGetPeerName(TIdStackSocketHandle s, int& family, QString& ip, int& port) override;
    QString WSGetHostByName(const QString& host) override;

protected:
    // Waits for a connect in progress to finish, or for the cancel descriptor.
    int WaitConnected(TIdStackSocketHandle s, int cancelFd);

private:
    int Fail(int err);
};
