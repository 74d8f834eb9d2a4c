#include "WebConfig.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <crypt.h>
#include <cstring>
#include <memory>
#include <yaml-cpp/yaml.h>

namespace {
bool ReadPem(const QString& base, const std::string& name, QByteArray& out, QString* why)
{
    const QString path = QDir(base).filePath(QString::fromStdString(name));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    out = file.readAll();
    return true;
}

bool IsBcrypt(const std::string& hash)
{
    return hash.size() == 60 &&
           (hash.rfind("$2a$", 0) == 0 || hash.rfind("$2b$", 0) == 0 || hash.rfind("$2y$", 0) == 0);
}
} // namespace

std::optional<TWebConfig> ReadWebConfig(const QString& path, QString* why)
{
    QString error;
    TWebConfig config;
    try {
        const YAML::Node root = YAML::LoadFile(path.toStdString());
        const QString base = QFileInfo(path).absolutePath();
        if (root.IsNull())
            return config;
        if (!root.IsMap())
            throw std::runtime_error("the file must be a mapping");
        for (const auto& item : root) {
            const std::string key = item.first.as<std::string>();
            const YAML::Node& value = item.second;
            if (key == "tls_server_config") {
                for (const auto& tls : value) {
                    const std::string k = tls.first.as<std::string>();
                    if (k != "cert_file" && k != "key_file")
                        throw std::runtime_error("tls_server_config." + k + " is not supported");
                }
                if (!value["cert_file"] || !value["key_file"])
                    throw std::runtime_error("tls_server_config needs cert_file and key_file");
                if (!ReadPem(base, value["cert_file"].as<std::string>(), config.CertPem, &error) ||
                    !ReadPem(base, value["key_file"].as<std::string>(), config.KeyPem, &error))
                    throw std::runtime_error(error.toStdString());
            } else if (key == "basic_auth_users") {
                for (const auto& user : value) {
                    const std::string hash = user.second.as<std::string>();
                    if (!IsBcrypt(hash))
                        throw std::runtime_error("basic_auth_users." +
                                                 user.first.as<std::string>() +
                                                 " is not a bcrypt hash");
                    config.Users.insert(QString::fromStdString(user.first.as<std::string>()),
                                        QByteArray::fromStdString(hash));
                }
            } else {
                throw std::runtime_error(key + " is not supported");
            }
        }
    } catch (const std::exception& e) {
        if (why)
            *why = QStringLiteral("web configuration %1: %2")
                       .arg(path, QString::fromUtf8(e.what()).replace(u'\n', u' '));
        return std::nullopt;
    }
    return config;
}

void TBasicAuth::SetUsers(QHash<QString, QByteArray> users)
{
    FUsers = std::move(users);
    FVerified.clear();
}

bool TBasicAuth::Check(const std::optional<QByteArray>& authorization)
{
    if (!authorization || !authorization->startsWith("Basic "))
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(authorization->mid(6).trimmed(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    const qsizetype colon = decoded ? decoded.decoded.indexOf(':') : -1;
    if (colon < 0)
        return false;
    const QString user = QString::fromUtf8(decoded.decoded.left(colon));
    const QByteArray password = decoded.decoded.mid(colon + 1);
    if (password.contains('\0'))
        return false;
    const auto hash = FUsers.constFind(user);
    if (hash == FUsers.constEnd())
        return false;
    const QByteArray digest =
        QCryptographicHash::hash(*hash + '\0' + password, QCryptographicHash::Sha256);
    if (FVerified.contains(digest))
        return true;
    auto data = std::make_unique<crypt_data>();
    const char* result = crypt_r(password.constData(), hash->constData(), data.get());
    if (!result || hash->size() != static_cast<qsizetype>(std::strlen(result)))
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < hash->size(); ++i)
        diff |= static_cast<unsigned char>(result[i] ^ hash->at(i));
    if (diff != 0)
        return false;
    FVerified.insert(digest);
    return true;
}
