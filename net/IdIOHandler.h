#pragma once

#include "IdComponent.h"

// Abstract byte transport under a TCP connection.
class TIdIOHandler : public TIdComponent {
    DECLARE_CLASS_INFO
public:
    explicit TIdIOHandler(TComponent* owner);

    virtual void Close() = 0;
    // Opens a socket, binds it, resolves host and connects to it; timeout as for
    // TIdTCPClient::OpenConnection.
    virtual void ConnectClient(const QString& host, int port, const QString& boundIP, int boundPort,
                               int boundPortMin, int boundPortMax, int timeout) = 0;
    virtual bool Connected() = 0;
    virtual void Open() = 0;
    // True when data (or the peer's close) is waiting; raises EIdConnClosedGracefully when
    // the socket is not open.
    virtual bool Readable(int timeoutMs) = 0;
    // Platform result: the count, 0 when the peer closed, Id_SOCKET_ERROR on failure.
    virtual int Recv(void* buffer, int length) = 0;
};
