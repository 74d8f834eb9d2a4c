#include "DeviceError.h"

#include "IdMessages.h"
#include "IdSocketErrors.h"

const char* ReasonName(TDeviceError::Kind reason)
{
    switch (reason) {
    case TDeviceError::Resolve:
        return "resolve";
    case TDeviceError::Refused:
        return "refused";
    case TDeviceError::Timeout:
        return "timeout";
    case TDeviceError::Reset:
        return "reset";
    case TDeviceError::Closed:
        return "closed";
    case TDeviceError::Other:
        break;
    }
    return "other";
}

TDeviceError SocketFailure(int code)
{
    TDeviceError::Kind reason = TDeviceError::Other;
    switch (code) {
    case Id_WSAECONNREFUSED:
        reason = TDeviceError::Refused;
        break;
    case Id_WSAETIMEDOUT:
        reason = TDeviceError::Timeout;
        break;
    case Id_WSAECONNRESET:
    case Id_WSAECONNABORTED:
        reason = TDeviceError::Reset;
        break;
    default:
        break;
    }
    return {reason, code, SocketErrorMessage(code)};
}

TDeviceError ResolveFailure(int gaiError, int sysErrno)
{
    const int code = SocketErrorFromResolver(gaiError, sysErrno);
    return {TDeviceError::Resolve, code, SocketErrorMessage(code)};
}

TDeviceError ConnectTimeoutFailure()
{
    return {TDeviceError::Timeout, Id_WSAETIMEDOUT, IdMessages::ConnectTimeout};
}

TDeviceError GracefulCloseFailure()
{
    return {TDeviceError::Closed, 0, IdMessages::ConnectionClosedGracefully};
}
