#include "Exception.h"

Exception::Exception(QString message)
    : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()), FAddress(__builtin_return_address(0))
{
}

Exception::~Exception() = default;
