#pragma once

#include <QString>

// Socket error codes as the messages number them (WinSock numbering), and the translation
// of this platform's error numbers into them.
enum : int {
    Id_WSAEINTR = 10004,
    Id_WSAEBADF = 10009,
    Id_WSAEACCES = 10013,
    Id_WSAEFAULT = 10014,
    Id_WSAEINVAL = 10022,
    Id_WSAEMFILE = 10024,
    Id_WSAEWOULDBLOCK = 10035,
    Id_WSAEINPROGRESS = 10036,
    Id_WSAEALREADY = 10037,
    Id_WSAENOTSOCK = 10038,
    Id_WSAEADDRINUSE = 10048,
    Id_WSAEADDRNOTAVAIL = 10049,
    Id_WSAENETUNREACH = 10051,
    Id_WSAECONNABORTED = 10053,
    Id_WSAECONNRESET = 10054,
    Id_WSAENOBUFS = 10055,
    Id_WSAENOTCONN = 10057,
    Id_WSAESHUTDOWN = 10058,
    Id_WSAETIMEDOUT = 10060,
    Id_WSAECONNREFUSED = 10061,
    Id_WSAEHOSTUNREACH = 10065,
    Id_WSAHOST_NOT_FOUND = 11001,
    Id_WSATRY_AGAIN = 11002,
    // An error number with no WinSock counterpart is reported as this base plus the number,
    // outside the WinSock range so that it is never mistaken for one of its codes.
    Id_UnmappedErrnoBase = 20000,
};

// Text for a code, or the empty text when the table has none.
QString SocketErrorText(int code);
// "Socket Error # <code>" CR LF and the text for the code.
QString SocketErrorMessage(int code);

// This platform's errno value as a WinSock code.
int SocketErrorFromErrno(int err);
// A getaddrinfo() failure as a WinSock code; sysErrno is errno right after the call.
int SocketErrorFromResolver(int gaiError, int sysErrno);
