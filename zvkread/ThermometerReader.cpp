#include "ThermometerReader.h"

#include "ExceptionText.h"
#include "IdException.h"
#include "IdMessages.h"
#include "IdTCPClient.h"
#include "ReadingFrame.h"
#include "StopSignals.h"

#include <QDateTime>
#include <chrono>

namespace {
// The window's poll waits this long for data when nothing has arrived.
constexpr int PollReadTimeoutMs = 50;

void WriteLine(std::FILE* out, const QByteArray& line)
{
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out);
    std::fflush(out);
}

void Report(std::FILE* err, const QString& message)
{
    WriteLine(err, "zvkread: " + OneLineMessage(ExceptionReportText(message)).toUtf8() + '\n');
}

QString MessageOf(const std::exception& e)
{
    const auto* ex = dynamic_cast<const Exception*>(&e);
    return ex ? ex->Message() : QString::fromUtf8(e.what());
}
} // namespace

QString OneLineMessage(const QString& message)
{
    QString line = message;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    line.replace(u'\r', u'\n');
    while (line.endsWith(u'\n'))
        line.chop(1);
    line.replace(u'\n', u' ');
    return line;
}

int ReadThermometer(const TReadOptions& options, TStopSignals& stop, std::FILE* out, std::FILE* err)
{
    TIdTCPClient client(nullptr);
    client.SetHost(options.Host);
    client.SetPort(options.Port);
    client.SetReadTimeout(PollReadTimeoutMs);
    // Fired inside a poll when the device has closed the connection.
    bool closedByDevice = false;
    client.OnDisconnected = [&](TComponent*) { closedByDevice = true; };
    qint64 printed = 0;
    // A textfile collector keeps the last file it was given: a failure must replace it too.
    const auto failed = [&](int code) {
        if (options.Format == TOutputFormat::Prometheus && printed == 0)
            WriteLine(out, FailedReadingText());
        return code;
    };
    try {
        client.OpenConnection(options.TimeoutMs);
    } catch (const std::exception& e) {
        Report(err, MessageOf(e));
        return failed(1);
    }
    if (!HeaderLine(options.Format).isEmpty())
        WriteLine(out, HeaderLine(options.Format));

    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::milliseconds(options.IntervalMs);
    auto next = Clock::now();
    while (!stop.Pending()) {
        // The window's poll: what is there, after waiting up to 50 ms, read by its parser.
        QByteArray received;
        try {
            received = client.ReadAvailable();
        } catch (const EIdReadTimeout&) {
        } catch (const std::exception& e) {
            Report(err, MessageOf(e));
            client.CloseConnection();
            return failed(1);
        }
        const TReadingResult reading = ParseReading(received);
        if (reading.Result == TReadingResult::Reading) {
            WriteLine(out, ReadingLine(options.Format, QDateTime::currentDateTime(), reading.Text));
            if (++printed == options.Count)
                break;
        }
        if (closedByDevice)
            return failed(printed == 0 && options.Format == TOutputFormat::Prometheus ? 1 : 0);
        if (!client.IsConnected()) {
            // A receive error closed the socket but left bytes to hand out first.
            Report(err, IdMessages::NotConnected);
            return failed(1);
        }
        // Ticks missed while the machine was busy are dropped, as a timer drops them.
        next += interval;
        const auto now = Clock::now();
        if (next < now)
            next = now + interval;
        if (stop.WaitUntil(next))
            break;
    }
    client.CloseConnection();
    return 0;
}
