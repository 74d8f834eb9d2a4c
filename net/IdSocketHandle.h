#pragma once

#include "IdStack.h"

#include <QString>

// One socket and its addresses. The allocated flag is true while the socket is open on
// this side; the handle value itself stays until the next Reset.
class TIdSocketHandle {
public:
    TIdSocketHandle() = default;
    ~TIdSocketHandle();
    TIdSocketHandle(const TIdSocketHandle&) = delete;
    TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

    void Reset();
    // Creates the socket (raises EIdInvalidSocket) and sets the allocated flag.
    void AllocateSocket(int socketType, int protocol = 0);
    // Binds to IP:Port, or to the first free port of the client port range when both of its
    // bounds are set and Port is 0. Raises EIdCouldNotBindSocket when the address is in use.
    void Bind();
    // One connect attempt; returns the platform result (Id_SOCKET_ERROR on failure) and
    // leaves the code in the stack's LastError. See TIdStack::WSConnect for cancelFd.
    // A connection reset before the attempt ended counts as made, its reset held for Recv.
    int Connect(int cancelFd = -1);
    // One receive, as TIdStack::WSRecv; a held reset fails the receive that finds the bytes
    // queued before it used up, once.
    int Recv(void* buffer, int length);
    // Clears the allocated flag, then shuts down the sending side and closes the socket.
    void CloseSocket();
    void UpdateBindingLocal();
    void UpdateBindingPeer();

    TIdStackSocketHandle Handle() const { return FHandle; }
    bool HandleAllocated() const { return FHandleAllocated; }
    const QString& IP() const { return FIP; }
    void SetIP(const QString& ip) { FIP = ip; }
    int Port() const { return FPort; }
    void SetPort(int port) { FPort = port; }
    const QString& PeerIP() const { return FPeerIP; }
    void SetPeerIP(const QString& ip) { FPeerIP = ip; }
    int PeerPort() const { return FPeerPort; }
    void SetPeerPort(int port) { FPeerPort = port; }
    int ClientPortMin() const { return FClientPortMin; }
    void SetClientPortMin(int port) { FClientPortMin = port; }
    int ClientPortMax() const { return FClientPortMax; }
    void SetClientPortMax(int port) { FClientPortMax = port; }

private:
    bool TryBind(int port);

    TIdStackSocketHandle FHandle = Id_INVALID_SOCKET;
    bool FHandleAllocated = false;
    int FPendingError = 0;
    QString FIP;
    int FPort = 0;
    QString FPeerIP;
    int FPeerPort = 0;
    int FClientPortMin = 0;
    int FClientPortMax = 0;
};
