#pragma once

#include "IdComponent.h"
#include "IdIOHandler.h"
#include "IdManagedBuffer.h"

#include <QByteArray>

enum TIdMaxLineAction { maException, maSplit };

namespace TypeInfos {
extern const TTypeInfo TIdMaxLineAction;
extern const TTypeInfo TIdConnectionIntercept;
} // namespace TypeInfos

// Connection state, the input buffer, and the read and disconnect logic.
class TIdTCPConnection : public TIdComponent {
    DECLARE_CLASS_INFO
public:
    static constexpr int DefaultRecvBufferSize = 32768;

    explicit TIdTCPConnection(TComponent* owner);
    ~TIdTCPConnection() override;

    // True while the IO handler's socket is open on this side; asks nobody.
    virtual bool IsConnected();
    // Closes the socket, drops an owned IO handler and raises OnDisconnected, every time.
    virtual void CloseConnection();
    // Waits up to ReadTimeout for data, receives once, and hands out every buffered byte.
    QByteArray ReadAvailable();

    // Read step: waits (timeout -1 = ReadTimeout), receives once into the input buffer.
    // Returns the count received, 0 when the peer closed, -1 on a time-out that does not raise.
    int ReadFromStack(bool raiseIfClosed = true, int timeout = -1, bool raiseOnTimeout = true);
    // Closed-connection check; after a 0-byte receive it closes the socket, reports
    // hsDisconnected and raises OnDisconnected. Returns true when the connection is closed.
    bool CheckForDisconnect(bool raiseIfClosed = true, bool ignoreBuffer = false);

    TIdIOHandler* IOHandler() const { return FIOHandler; }
    const TIdManagedBuffer& InputBuffer() const { return FInputBuffer; }

    int ReadTimeout() const { return FReadTimeout; }
    void SetReadTimeout(int ms) { FReadTimeout = ms; }
    int RecvBufferSize() const { return FRecvBufferSize; }
    void SetRecvBufferSize(int size) { FRecvBufferSize = size; }
    int SendBufferSize() const { return FSendBufferSize; }
    void SetSendBufferSize(int size) { FSendBufferSize = size; }
    int MaxLineLength() const { return FMaxLineLength; }
    void SetMaxLineLength(int length) { FMaxLineLength = length; }
    TIdMaxLineAction MaxLineAction() const { return FMaxLineAction; }
    void SetMaxLineAction(TIdMaxLineAction action) { FMaxLineAction = action; }
    bool ASCIIFilter() const { return FASCIIFilter; }
    void SetASCIIFilter(bool filter) { FASCIIFilter = filter; }

    TNotifyEvent OnDisconnected;

protected:
    void DoOnDisconnected();
    // Empties the input buffer and clears the closed flag.
    void ResetConnection();
    // Socket close step: sets the closed flag and closes the IO handler; no event.
    void DisconnectSocket();
    void DestroyOwnedIOHandler();

    TIdIOHandler* FIOHandler = nullptr;
    bool FOwnsIOHandler = false;

private:
    bool FClosedGracefully = false;
    TIdManagedBuffer FInputBuffer;
    TIdSimpleBuffer FRecvBuffer;
    int FReadTimeout = 0;
    int FRecvBufferSize = DefaultRecvBufferSize;
    int FSendBufferSize = 32768;
    int FMaxLineLength = 16384;
    TIdMaxLineAction FMaxLineAction = maException;
    bool FASCIIFilter = false;
};
