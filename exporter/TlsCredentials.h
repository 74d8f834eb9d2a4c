#pragma once

#include <QByteArray>
#include <QString>

// The TLS certificate chain and key the listeners hand out, read at each handshake, so that a
// SIGHUP that re-reads the web configuration takes new files without a restart. One set per
// process: GnuTLS's certificate callback carries no context.
namespace TlsCredentials {
// Parses PEM; an error text when the certificate or key cannot be used, else empty.
QString Set(const QByteArray& certPem, const QByteArray& keyPem);
bool IsSet();
// The callback for MHD_OPTION_HTTPS_CERT_CALLBACK.
void* Callback();
} // namespace TlsCredentials
