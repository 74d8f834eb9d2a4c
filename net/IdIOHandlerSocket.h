#pragma once

#include "IdIOHandler.h"
#include "IdSocketHandle.h"

#include <memory>

// The socket transport: owns one socket handle record, created at the first Open.
class TIdIOHandlerSocket : public TIdIOHandler {
    DECLARE_CLASS_INFO
public:
    explicit TIdIOHandlerSocket(TComponent* owner);
    ~TIdIOHandlerSocket() override;

    void Close() override;
    void ConnectClient(const QString& host, int port, const QString& boundIP, int boundPort,
                       int boundPortMin, int boundPortMax, int timeout) override;
    bool Connected() override;
    void Open() override;
    bool Readable(int timeoutMs) override;
    int Recv(void* buffer, int length) override;

    TIdSocketHandle* Binding() const { return FBinding.get(); }

private:
    void TimedConnect(int timeout);

    std::unique_ptr<TIdSocketHandle> FBinding;
};
