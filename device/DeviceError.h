#pragma once

#include <QString>

// Why a device connection ended, with the code and text the window's transport reports for
// the same failure.
struct TDeviceError {
    enum Kind { Resolve, Refused, Timeout, Reset, Closed, Other };
    Kind Reason = Other;
    int Code = 0; // WinSock numbering (net/IdSocketErrors.h); 0 for Closed
    QString
        Message; // SocketErrorMessage(Code), "Connect timed out.", "Connection Closed Gracefully."
};

// "resolve", "refused", "timeout", "reset", "closed", "other".
const char* ReasonName(TDeviceError::Kind reason);

// A socket error code as the transport reports it, with its reason.
TDeviceError SocketFailure(int code);
// A failed name lookup (getaddrinfo's result and errno right after it).
TDeviceError ResolveFailure(int gaiError, int sysErrno);
// The connect time limit passed: EIdConnectTimeout's text.
TDeviceError ConnectTimeoutFailure();
// The peer closed in order: EIdConnClosedGracefully's text.
TDeviceError GracefulCloseFailure();
