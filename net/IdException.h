#pragma once

#include "Exception.h"

// Exception family of the socket components. Every class carries a fixed message text;
// EIdSocketError also carries the (WinSock-numbered) socket error code.
DECLARE_EXCEPTION(EIdException, Exception)
DECLARE_EXCEPTION(EIdSilentException, EIdException)
DECLARE_EXCEPTION(EIdConnClosedGracefully, EIdSilentException)
DECLARE_EXCEPTION(EIdAlreadyConnected, EIdException)
DECLARE_EXCEPTION(EIdReadTimeout, EIdException)
DECLARE_EXCEPTION(EIdConnectTimeout, EIdException)
DECLARE_EXCEPTION(EIdConnectException, EIdException)
DECLARE_EXCEPTION(EIdSocketHandleError, EIdException)
DECLARE_EXCEPTION(EIdCouldNotBindSocket, EIdSocketHandleError)
DECLARE_EXCEPTION(EIdTCPConnectionError, EIdException)
DECLARE_EXCEPTION(EIdNotConnected, EIdTCPConnectionError)
DECLARE_EXCEPTION(EIdInvalidSocket, EIdException)

class EIdSocketError : public EIdException {
public:
    EIdSocketError(int lastError, const QString& message)
        : EIdException(message), FLastError(lastError)
    {
    }
    const char* ClassName() const override { return "EIdSocketError"; }
    int LastError() const { return FLastError; }

private:
    int FLastError;
};
