#include "IdSocketHandle.h"

#include "IdException.h"
#include "IdMessages.h"
#include "IdSocketErrors.h"

#include <sys/socket.h>
#include <utility>

TIdSocketHandle::~TIdSocketHandle()
{
    CloseSocket();
}

void TIdSocketHandle::Reset()
{
    CloseSocket();
    FHandle = Id_INVALID_SOCKET;
    FIP.clear();
    FPort = 0;
    FPeerIP.clear();
    FPeerPort = 0;
    FClientPortMin = 0;
    FClientPortMax = 0;
}

void TIdSocketHandle::AllocateSocket(int socketType, int protocol)
{
    CloseSocket();
    FHandle = SocketStack()->CreateSocketHandle(socketType, protocol);
    FHandleAllocated = true;
}

bool TIdSocketHandle::TryBind(int port)
{
    const int rc = SocketStack()->WSBind(FHandle, AF_INET, FIP, port);
    return !SocketStack()->CheckForSocketError(rc, {Id_WSAEADDRINUSE});
}

void TIdSocketHandle::Bind()
{
    bool bound = false;
    if (FPort != 0 || FClientPortMin == 0 || FClientPortMax == 0) {
        bound = TryBind(FPort);
    } else {
        for (int port = FClientPortMin; port <= FClientPortMax && !bound; ++port)
            bound = TryBind(port);
    }
    if (!bound)
        throw EIdCouldNotBindSocket(IdMessages::CouldNotBindSocket);
    UpdateBindingLocal();
}

// A device that accepts, sends a frame and aborts does so within microseconds on loopback, so
// the attempt can end with the reset of a connection that was made. Linux keeps the bytes sent
// before the reset queued; the reset is reported by the receive after them, as when it comes
// later.
int TIdSocketHandle::Connect(int cancelFd)
{
    const int rc = SocketStack()->WSConnect(FHandle, AF_INET, FPeerIP, FPeerPort, cancelFd);
    if (rc != Id_SOCKET_ERROR)
        return rc;
    switch (TIdStack::LastError()) {
    case Id_WSAECONNRESET:
        FPendingError = Id_WSAECONNRESET;
        return 0;
    case Id_WSAESHUTDOWN: // a reset after the peer's close: the receives see the close
        return 0;
    default:
        return rc;
    }
}

int TIdSocketHandle::Recv(void* buffer, int length)
{
    const int n = SocketStack()->WSRecv(FHandle, buffer, length, 0);
    if (n != 0 || length == 0 || FPendingError == 0)
        return n;
    TIdStack::SetLastError(std::exchange(FPendingError, 0));
    return Id_SOCKET_ERROR;
}

void TIdSocketHandle::CloseSocket()
{
    if (!FHandleAllocated)
        return;
    FHandleAllocated = false;
    FPendingError = 0;
    SocketStack()->WSShutdown(FHandle, Id_SD_Send);
    SocketStack()->WSCloseSocket(FHandle);
}

void TIdSocketHandle::UpdateBindingLocal()
{
    int family = 0;
    SocketStack()->WSGetSockName(FHandle, family, FIP, FPort);
}

void TIdSocketHandle::UpdateBindingPeer()
{
    int family = 0;
    try {
        SocketStack()->WSGetPeerName(FHandle, family, FPeerIP, FPeerPort);
    } catch (const EIdSocketError& e) {
        // A peer that resets the connection right after accepting it can do so before this
        // runs; the socket then has no peer any more, and the address connected to stays.
        // The reset itself is for the receives to report.
        if (e.LastError() != Id_WSAENOTCONN)
            throw;
    }
}
