#include "IdConnectThread.h"

#include "IdException.h"
#include "IdMessages.h"
#include "IdSocketHandle.h"
#include "MessageFormat.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

TIdConnectThread::TIdConnectThread(TIdSocketHandle* binding) : FBinding(binding)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw EThread(
            Format(IdMessages::ThreadCreationError, {QString::fromLocal8Bit(strerror(errno))}));
    FWakeRead = fds[0];
    FWakeWrite = fds[1];
}

TIdConnectThread::~TIdConnectThread()
{
    if (FThread.joinable()) {
        Terminate();
        FThread.join();
    }
    ::close(FWakeRead);
    ::close(FWakeWrite);
}

void TIdConnectThread::Start()
{
    try {
        FThread = std::thread(&TIdConnectThread::Execute, this);
    } catch (const std::system_error& e) {
        throw EThread(
            Format(IdMessages::ThreadCreationError, {QString::fromStdString(e.code().message())}));
    }
}

void TIdConnectThread::Terminate()
{
    FTerminated.store(true, std::memory_order_release);
    const char wake = 1;
    [[maybe_unused]] const ssize_t n = ::write(FWakeWrite, &wake, 1);
}

void TIdConnectThread::WaitFor()
{
    if (FThread.joinable())
        FThread.join();
}

void TIdConnectThread::Execute()
{
    try {
        const int rc = FBinding->Connect(FWakeRead);
        // A failed attempt that was asked to give up is over; its cause is the time-out.
        if (!(rc == Id_SOCKET_ERROR && Terminated())) {
            SocketStack()->CheckForSocketError(rc);
            FBinding->UpdateBindingLocal();
            FBinding->UpdateBindingPeer();
        }
    } catch (const Exception& e) {
        FErrorMessage = e.Message();
    } catch (const std::exception& e) {
        FErrorMessage = QString::fromLocal8Bit(e.what());
    } catch (...) {
        FErrorMessage = QStringLiteral("Unknown exception");
    }
    FFinished.store(true, std::memory_order_release);
}
