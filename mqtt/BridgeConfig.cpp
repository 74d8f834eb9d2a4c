#include "BridgeConfig.h"

#include "DeviceAddress.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <cmath>

namespace {
const QString ThermometerSection = QStringLiteral("thermometer.");
constexpr int MaxIntervalS = 86400;

// Everything after a ';' or '#' at the start or after blank space is a comment, as the
// shipped file's trailing notes are.
QString WithoutComment(const QString& line)
{
    for (qsizetype i = 0; i < line.size(); ++i)
        if ((line[i] == u';' || line[i] == u'#') && (i == 0 || line[i - 1].isSpace()))
            return line.left(i).trimmed();
    return line.trimmed();
}

bool ToInterval(const QString& text, int* seconds)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < 1 || v > MaxIntervalS)
        return false;
    *seconds = v;
    return true;
}

bool IsTopicPart(const QString& text)
{
    static const QRegularExpression bad(QStringLiteral("[+#\\x00-\\x1f]|^/|/$|//"));
    return !text.isEmpty() && !text.contains(bad);
}

// mqtt://host[:port] or mqtts://host[:port]; host may be a bracketed IPv6 address.
bool ParseBroker(const QString& text, TBrokerConfig* broker, QString* why)
{
    static const QRegularExpression form(QStringLiteral(
        "^(mqtts?)://(?:\\[([0-9A-Fa-f:.]+)\\]|([A-Za-z0-9._-]+))(?::(\\d{1,5}))?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        *why =
            QStringLiteral("broker must be mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not \"%1\"")
                .arg(text);
        return false;
    }
    broker->Tls = m.captured(1) == u"mqtts";
    broker->Host = m.hasCaptured(2) ? m.captured(2) : m.captured(3);
    broker->Port = broker->Tls ? 8883 : 1883;
    if (m.hasCaptured(4)) {
        const int port = m.captured(4).toInt();
        if (port < 1 || port > 65535) {
            *why = QStringLiteral("broker port must be 1..65535, not %1").arg(m.captured(4));
            return false;
        }
        broker->Port = port;
    }
    return true;
}

bool ReadableFile(const QString& name, QString* why)
{
    QFile file(name);
    if (file.open(QIODevice::ReadOnly))
        return true;
    *why = QStringLiteral("cannot read %1: %2").arg(name, file.errorString());
    return false;
}

class TReader {
public:
    TReader(const QString& fileName, QString* error) : FFileName(fileName), FError(error) {}
    std::optional<TBridgeConfig> Read(const QByteArray& text);

private:
    bool Fail(int line, const QString& what)
    {
        if (FError)
            *FError = QStringLiteral("%1:%2: %3").arg(FFileName).arg(line).arg(what);
        return false;
    }
    bool Section(int line, const QString& name);
    bool MqttKey(int line, const QString& key, const QString& value);
    bool ThermometerKey(int line, const QString& key, const QString& value);
    bool Finish();

    QString FFileName;
    QString* FError;
    TBridgeConfig FConfig;
    QString FSection;
    int FSectionLine = 0;
    QSet<QString> FKeysSeen; // in the current section
    QSet<QString> FSectionsSeen;
    QHash<QString, int> FKeyLines; // [mqtt] key -> its line, for checks made at the end
};

std::optional<TBridgeConfig> TReader::Read(const QByteArray& text)
{
    const QStringList lines = QString::fromUtf8(text).split(u'\n');
    int number = 0;
    for (const QString& raw : lines) {
        ++number;
        const QString line = WithoutComment(raw);
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']'))
                return Fail(number, QStringLiteral("a section header must end with ]")),
                       std::nullopt;
            if (!Section(number, line.mid(1, line.size() - 2).trimmed()))
                return std::nullopt;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            return Fail(number, QStringLiteral("expected KEY = VALUE, not \"%1\"").arg(line)),
                   std::nullopt;
        const QString key = line.left(eq).trimmed(), value = line.mid(eq + 1).trimmed();
        if (FSection.isEmpty())
            return Fail(number, QStringLiteral("%1 outside a section").arg(key)), std::nullopt;
        if (FKeysSeen.contains(key))
            return Fail(number, QStringLiteral("%1 given twice in [%2]").arg(key, FSection)),
                   std::nullopt;
        FKeysSeen.insert(key);
        const bool ok =
            FSection == u"mqtt" ? MqttKey(number, key, value) : ThermometerKey(number, key, value);
        if (!ok)
            return std::nullopt;
    }
    if (!Finish())
        return std::nullopt;
    return FConfig;
}

bool TReader::Section(int line, const QString& name)
{
    if (!Finish())
        return false;
    static const QRegularExpression id(QStringLiteral("^[A-Za-z0-9_-]+$"));
    if (name != u"mqtt") {
        if (!name.startsWith(ThermometerSection))
            return Fail(line, QStringLiteral("unknown section [%1]: expected [mqtt] or "
                                             "[thermometer.ID]")
                                  .arg(name));
        const QString thermometer = name.mid(ThermometerSection.size());
        if (!id.match(thermometer).hasMatch())
            return Fail(line, QStringLiteral("thermometer id \"%1\" must be letters, digits, _ "
                                             "and - only")
                                  .arg(thermometer));
        // Its availability topic would be the bridge's own.
        if (thermometer == u"bridge")
            return Fail(line, QStringLiteral("thermometer id \"bridge\" is reserved"));
        FConfig.Thermometers.append({thermometer, thermometer, {}, 0});
    }
    if (FSectionsSeen.contains(name))
        return Fail(line, QStringLiteral("section [%1] given twice").arg(name));
    FSectionsSeen.insert(name);
    FSection = name;
    FSectionLine = line;
    FKeysSeen.clear();
    return true;
}

bool TReader::MqttKey(int line, const QString& key, const QString& value)
{
    TBridgeConfig& c = FConfig;
    QString why;
    FKeyLines.insert(key, line);
    if (key == u"broker") {
        if (!ParseBroker(value, &c.Broker, &why))
            return Fail(line, why);
    } else if (key == u"client_id") {
        if (value.isEmpty() || value.size() > 65535)
            return Fail(line, QStringLiteral("client_id must not be empty"));
        c.Broker.ClientId = value;
    } else if (key == u"username") {
        c.Broker.Username = value;
    } else if (key == u"password_file") {
        if (value.isEmpty())
            return true;
        QFile file(value);
        if (!file.open(QIODevice::ReadOnly))
            return Fail(line, QStringLiteral("cannot read %1: %2").arg(value, file.errorString()));
        c.Broker.Password = QString::fromUtf8(file.readLine()).remove(u'\n').remove(u'\r');
    } else if (key == u"ca_file" || key == u"cert_file" || key == u"key_file") {
        if (!value.isEmpty() && !ReadableFile(value, &why))
            return Fail(line, why);
        (key == u"ca_file"     ? c.Broker.CaFile
         : key == u"cert_file" ? c.Broker.CertFile
                               : c.Broker.KeyFile) = value;
    } else if (key == u"topic_prefix" || key == u"discovery_prefix") {
        if (!IsTopicPart(value))
            return Fail(line, QStringLiteral("%1 must be a topic without +, #, or a / at "
                                             "either end, not \"%2\"")
                                  .arg(key, value));
        (key == u"topic_prefix" ? c.TopicPrefix : c.DiscoveryPrefix) = value;
    } else if (key == u"interval") {
        if (!ToInterval(value, &c.IntervalS))
            return Fail(line, QStringLiteral("interval must be whole seconds, 1..%1, not \"%2\"")
                                  .arg(MaxIntervalS)
                                  .arg(value));
    } else if (key == u"change_step") {
        bool ok = false;
        const double step = value.toDouble(&ok);
        if (!ok || !std::isfinite(step) || step < 0)
            return Fail(
                line,
                QStringLiteral("change_step must be a number, 0 or more, not \"%1\"").arg(value));
        c.ChangeStep = step;
    } else {
        return Fail(line, QStringLiteral("unknown key %1 in [mqtt]").arg(key));
    }
    return true;
}

bool TReader::ThermometerKey(int line, const QString& key, const QString& value)
{
    TThermometerConfig& t = FConfig.Thermometers.last();
    if (key == u"name") {
        if (value.isEmpty())
            return Fail(line, QStringLiteral("name must not be empty"));
        t.Name = value;
    } else if (key == u"address") {
        QString why;
        if (!ParseDeviceAddress(value, &why))
            return Fail(line, QStringLiteral("address \"%1\": %2").arg(value, why));
        t.Address = value;
    } else if (key == u"interval") {
        if (!ToInterval(value, &t.IntervalS))
            return Fail(line, QStringLiteral("interval must be whole seconds, 1..%1, not \"%2\"")
                                  .arg(MaxIntervalS)
                                  .arg(value));
    } else {
        return Fail(line, QStringLiteral("unknown key %1 in [%2]").arg(key, FSection));
    }
    return true;
}

// Checks that need the whole section: run when the next one starts and at the end.
bool TReader::Finish()
{
    if (FSection.startsWith(ThermometerSection) && FConfig.Thermometers.last().Address.isEmpty())
        return Fail(FSectionLine, QStringLiteral("[%1] has no address").arg(FSection));
    if (FSection == u"mqtt") {
        const TBrokerConfig& b = FConfig.Broker;
        if (!b.Tls && !b.CaFile.isEmpty())
            return Fail(FKeyLines.value(QStringLiteral("ca_file")),
                        QStringLiteral("ca_file needs an mqtts:// broker"));
        if (b.CertFile.isEmpty() != b.KeyFile.isEmpty())
            return Fail(FKeyLines.value(b.CertFile.isEmpty() ? QStringLiteral("key_file")
                                                             : QStringLiteral("cert_file")),
                        QStringLiteral("cert_file and key_file go together"));
        if (!b.Tls && !b.CertFile.isEmpty())
            return Fail(FKeyLines.value(QStringLiteral("cert_file")),
                        QStringLiteral("cert_file needs an mqtts:// broker"));
    }
    return true;
}
} // namespace

std::optional<TBridgeConfig> ParseBridgeConfig(const QByteArray& text, const QString& fileName,
                                               QString* error)
{
    return TReader(fileName, error).Read(text);
}

std::optional<TBridgeConfig> ReadBridgeConfig(const QString& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        return std::nullopt;
    }
    return ParseBridgeConfig(file.readAll(), fileName, error);
}
