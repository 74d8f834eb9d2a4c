#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <optional>

// The Prometheus web-configuration file: tls_server_config (cert_file, key_file) and
// basic_auth_users (user: bcrypt hash). Relative paths are taken from the file's folder.
struct TWebConfig {
    QByteArray CertPem;
    QByteArray KeyPem;
    QHash<QString, QByteArray> Users;
    bool Tls() const { return !CertPem.isEmpty(); }
};

// nullopt and a one-line reason on any fault: unknown keys, unreadable files, bad hashes.
std::optional<TWebConfig> ReadWebConfig(const QString& path, QString* why);

// Checks "Authorization: Basic ..." against the users. Verified passwords are remembered (as a
// digest) so that bcrypt's cost is paid once per user and password, not per scrape.
class TBasicAuth {
public:
    void SetUsers(QHash<QString, QByteArray> users);
    bool Enabled() const { return !FUsers.isEmpty(); }
    bool Check(const std::optional<QByteArray>& authorization);

private:
    QHash<QString, QByteArray> FUsers;
    QSet<QByteArray> FVerified;
};
