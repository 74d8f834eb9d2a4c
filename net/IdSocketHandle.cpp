#include "IdSocketHandle.h"

#include "IdException.h"
#include "IdResourceStrings.h"
#include "IdSocketErrors.h"

#include <sys/socket.h>

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
    FHandle = GStack()->CreateSocketHandle(socketType, protocol);
    FHandleAllocated = true;
}

bool TIdSocketHandle::TryBind(int port)
{
    const int rc = GStack()->WSBind(FHandle, AF_INET, FIP, port);
    return !GStack()->CheckForSocketError(rc, {Id_WSAEADDRINUSE});
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
        throw EIdCouldNotBindSocket(RSId::CouldNotBindSocket);
    UpdateBindingLocal();
}

int TIdSocketHandle::Connect(int cancelFd)
{
    return GStack()->WSConnect(FHandle, AF_INET, FPeerIP, FPeerPort, cancelFd);
}

void TIdSocketHandle::CloseSocket()
{
    if (!FHandleAllocated)
        return;
    FHandleAllocated = false;
    GStack()->WSShutdown(FHandle, Id_SD_Send);
    GStack()->WSCloseSocket(FHandle);
}

void TIdSocketHandle::UpdateBindingLocal()
{
    int family = 0;
    GStack()->WSGetSockName(FHandle, family, FIP, FPort);
}

void TIdSocketHandle::UpdateBindingPeer()
{
    int family = 0;
    GStack()->WSGetPeerName(FHandle, family, FPeerIP, FPeerPort);
}
