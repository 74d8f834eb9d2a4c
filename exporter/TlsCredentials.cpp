#include "TlsCredentials.h"

#include <gnutls/abstract.h>
#include <gnutls/gnutls.h>
#include <memory>
#include <vector>

namespace {
struct TCredentials {
    std::vector<gnutls_pcert_st> Chain;
    gnutls_privkey_t Key = nullptr;
    ~TCredentials()
    {
        for (gnutls_pcert_st& c : Chain)
            gnutls_pcert_deinit(&c);
        if (Key)
            gnutls_privkey_deinit(Key);
    }
};

// Every set ever loaded stays until exit: a handshake that began with an older one may still
// be using it, and a reload is rare.
std::vector<std::unique_ptr<TCredentials>>& Loaded()
{
    static std::vector<std::unique_ptr<TCredentials>> loaded;
    return loaded;
}

int Retrieve(gnutls_session_t, const gnutls_datum_t*, int, const gnutls_pk_algorithm_t*, int,
             gnutls_pcert_st** chain, unsigned int* chainLength, gnutls_privkey_t* key)
{
    if (Loaded().empty())
        return -1;
    TCredentials& current = *Loaded().back();
    *chain = current.Chain.data();
    *chainLength = static_cast<unsigned>(current.Chain.size());
    *key = current.Key;
    return 0;
}

gnutls_datum_t Datum(const QByteArray& bytes)
{
    return {reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.constData())),
            static_cast<unsigned>(bytes.size())};
}
} // namespace

namespace TlsCredentials {
QString Set(const QByteArray& certPem, const QByteArray& keyPem)
{
    auto loaded = std::make_unique<TCredentials>();
    unsigned count = 16;
    loaded->Chain.resize(count);
    const gnutls_datum_t cert = Datum(certPem);
    int rc = gnutls_pcert_list_import_x509_raw(loaded->Chain.data(), &count, &cert,
                                               GNUTLS_X509_FMT_PEM, 0);
    if (rc < 0) {
        loaded->Chain.clear();
        return QStringLiteral("TLS certificate: %1").arg(QString::fromUtf8(gnutls_strerror(rc)));
    }
    loaded->Chain.resize(count);
    const gnutls_datum_t key = Datum(keyPem);
    rc = gnutls_privkey_init(&loaded->Key);
    if (rc >= 0)
        rc = gnutls_privkey_import_x509_raw(loaded->Key, &key, GNUTLS_X509_FMT_PEM, nullptr, 0);
    if (rc < 0)
        return QStringLiteral("TLS key: %1").arg(QString::fromUtf8(gnutls_strerror(rc)));
    Loaded().push_back(std::move(loaded));
    return {};
}

bool IsSet()
{
    return !Loaded().empty();
}

void* Callback()
{
    return reinterpret_cast<void*>(&Retrieve);
}
} // namespace TlsCredentials
