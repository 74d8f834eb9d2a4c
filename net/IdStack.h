#pragma once

#include <QString>
#include <initializer_list>

using TIdStackSocketHandle = int;
constexpr TIdStackSocketHandle Id_INVALID_SOCKET = -1;
constexpr int Id_SOCKET_ERROR = -1;
constexpr int Id_SD_Send = 1;
// Readiness-wait limit meaning "no limit".
constexpr int IdTimeoutInfinite = -2;

// The socket stack: one operation per platform socket call, host resolution and the
// translation of error codes into exceptions. A call that fails returns Id_SOCKET_ERROR
// and leaves its WinSock-numbered code in LastError().
class TIdStack {
public:
    virtual ~TIdStack();

    // Raises EIdInvalidSocket "Cannot allocate socket." when no socket can be had.
    TIdStackSocketHandle CreateSocketHandle(int socketType, int protocol = 0);

    virtual TIdStackSocketHandle WSSocket(int family, int type, int protocol) = 0;
    virtual int WSBind(TIdStackSocketHandle s, int family, const QString& ip, int port) = 0;
    // Blocking connect. With a cancel descriptor, the connect also ends, failing with
    // code 10004, as soon as that descriptor becomes readable.
    virtual int WSConnect(TIdStackSocketHandle s, int family, const QString& ip, int port,
                          int cancelFd = -1) = 0;
    // Waits until the socket is readable: 1 readable, 0 timed out, -1 failed.
    virtual int WSPollReadable(TIdStackSocketHandle s, int timeoutMs) = 0;
    virtual int WSRecv(TIdStackSocketHandle s, void* buffer, int length, int flags) = 0;
    virtual int WSShutdown(TIdStackSocketHandle s, int how) = 0;
    virtual int WSCloseSocket(TIdStackSocketHandle s) = 0;
    // These raise the socket error of the platform's code on failure.
    virtual void WSGetSockName(TIdStackSocketHandle s, int& family, QString& ip, int& port) = 0;
    virtual void WSGetPeerName(TIdStackSocketHandle s, int& family, QString& ip, int& port) = 0;
    // First IPv4 address of the name as dotted text; raises the socket error on failure.
    virtual QString WSGetHostByName(const QString& host) = 0;

    // "LOCALHOST" in any case, an IPv4 text unchanged, anything else looked up by name.
    QString ResolveHost(const QString& host);
    static bool IsIP(const QString& text);

    // False when result is not Id_SOCKET_ERROR; true when the failure's code is tolerated;
    // raises the socket error of any other code.
    bool CheckForSocketError(int result, std::initializer_list<int> tolerated = {});
    [[noreturn]] static void RaiseSocketError(int code);

    // The code of this thread's last failed call.
    static int LastError();

protected:
    // The socket handle reports a reset it holds as a failed receive.
    friend class TIdSocketHandle;
    static void SetLastError(int code);
};

// The process-wide stack; it exists while at least one socket component does.
TIdStack* SocketStack();

// Instance counting of the socket components: the first registration creates the stack,
// the last release destroys it. Both run under one process-wide lock.
void IdStackAddUser();
void IdStackReleaseUser();

// Creates the platform's stack implementation.
TIdStack* CreatePlatformStack();

// What creates the stack when the first socket component appears; CreatePlatformStack unless
// a test puts a stack of its own in its place. Returns the previous factory; nullptr restores
// the platform's.
using TIdStackFactory = TIdStack* (*)();
TIdStackFactory SetStackFactory(TIdStackFactory factory);
