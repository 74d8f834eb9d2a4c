#include "IdStack.h"

#include "IdException.h"
#include "IdIPv4Text.h"
#include "IdMessages.h"
#include "IdSocketErrors.h"

#include <mutex>

namespace {
std::mutex StackLock;
int StackUsers = 0;
TIdStack* Stack = nullptr;
TIdStackFactory StackFactory = nullptr;

// Every thread has its own last error, so the connect worker and the GUI thread never
// overwrite each other's code between a failed call and its check.
thread_local int ThreadLastError = 0;
} // namespace

TIdStack::~TIdStack() = default;

TIdStackSocketHandle TIdStack::CreateSocketHandle(int socketType, int protocol)
{
    const TIdStackSocketHandle s = WSSocket(2 /* AF_INET */, socketType, protocol);
    if (s == Id_INVALID_SOCKET)
        throw EIdInvalidSocket(IdMessages::CannotAllocateSocket);
    return s;
}

QString TIdStack::ResolveHost(const QString& host)
{
    if (host.compare(QLatin1String("LOCALHOST"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("127.0.0.1");
    if (IsIP(host))
        return host;
    return WSGetHostByName(host);
}

bool TIdStack::IsIP(const QString& text)
{
    return IsIPv4Text(text);
}

bool TIdStack::CheckForSocketError(int result, std::initializer_list<int> tolerated)
{
    if (result != Id_SOCKET_ERROR)
        return false;
    const int code = LastError();
    for (int t : tolerated)
        if (t == code)
            return true;
    RaiseSocketError(code);
}

void TIdStack::RaiseSocketError(int code)
{
    throw EIdSocketError(code, SocketErrorMessage(code));
}

int TIdStack::LastError()
{
    return ThreadLastError;
}

void TIdStack::SetLastError(int code)
{
    ThreadLastError = code;
}

TIdStack* SocketStack()
{
    return Stack;
}

void IdStackAddUser()
{
    std::lock_guard<std::mutex> guard(StackLock);
    if (StackUsers == 0)
        Stack = StackFactory ? StackFactory() : CreatePlatformStack();
    ++StackUsers;
}

void IdStackReleaseUser()
{
    std::lock_guard<std::mutex> guard(StackLock);
    if (--StackUsers == 0) {
        delete Stack;
        Stack = nullptr;
    }
}

TIdStackFactory SetStackFactory(TIdStackFactory factory)
{
    std::lock_guard<std::mutex> guard(StackLock);
    const TIdStackFactory previous = StackFactory;
    StackFactory = factory;
    return previous;
}
