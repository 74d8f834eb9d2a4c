#pragma once

#include "IdTCPConnection.h"

// The client end of one IPv4 TCP connection. Everything runs on the calling thread except
// the worker of a timed connect, which lives only inside OpenConnection.
class TIdTCPClient : public TIdTCPConnection {
    DECLARE_CLASS_INFO
public:
    explicit TIdTCPClient(TComponent* owner);

    QString Host() const { return FHost; }
    void SetHost(const QString& host) { FHost = host; }
    int Port() const { return FPort; }
    void SetPort(int port) { FPort = port; }
    QString BoundIP() const { return FBoundIP; }
    void SetBoundIP(const QString& ip) { FBoundIP = ip; }
    int BoundPort() const { return FBoundPort; }
    void SetBoundPort(int port) { FBoundPort = port; }
    int BoundPortMin() const { return FBoundPortMin; }
    void SetBoundPortMin(int port) { FBoundPortMin = port; }
    int BoundPortMax() const { return FBoundPortMax; }
    void SetBoundPortMax(int port) { FBoundPortMax = port; }

    // Connects to Host:Port. timeoutMs > 0 is a limit (EIdConnectTimeout when it passes),
    // -2 waits without limit, -1 and 0 connect on this thread. OnConnected has run when it
    // returns; on failure the socket is closed and no event fires.
    virtual void OpenConnection(int timeoutMs);

    TNotifyEvent OnConnected;

protected:
    void DoOnConnected();

private:
    QString FHost;
    int FPort = 0;
    QString FBoundIP;
    int FBoundPort = 0;
    int FBoundPortMin = 0;
    int FBoundPortMax = 0;
};
