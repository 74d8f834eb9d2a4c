#pragma once

#include <QString>
#include <QStringList>

// The fixed message texts of the socket components.
namespace IdMessages {
inline const QString AlreadyConnected = QStringLiteral("Already connected.");
inline const QString CannotAllocateSocket = QStringLiteral("Cannot allocate socket.");
inline const QString CouldNotBindSocket =
    QStringLiteral("Could not bind socket. Address and port are already in use.");
inline const QString ConnectTimeout = QStringLiteral("Connect timed out.");
inline const QString ReadTimeout = QStringLiteral("Read Timeout");
inline const QString NotConnected = QStringLiteral("Not Connected");
inline const QString ConnectionClosedGracefully = QStringLiteral("Connection Closed Gracefully.");
inline const QString ThreadCreationError = QStringLiteral("Thread creation error: %s");
inline const QString StackError = QStringLiteral("Socket Error # %d\r\n%s");

inline const QString StatusResolving = QStringLiteral("Resolving hostname %s.");
inline const QString StatusConnecting = QStringLiteral("Connecting to %s.");
inline const QString StatusConnected = QStringLiteral("Connected.");
inline const QString StatusDisconnecting = QStringLiteral("Disconnecting.");
inline const QString StatusDisconnected = QStringLiteral("Disconnected.");
} // namespace IdMessages
