#include "IdManagedBuffer.h"

void TIdManagedBuffer::Append(const char* data, qsizetype length)
{
    if (length > 0)
        FData.append(data, length);
}

QByteArray TIdManagedBuffer::Extract(qsizetype length)
{
    if (length < 0 || length >= Size()) {
        QByteArray all = FData.mid(FOffset);
        Clear();
        return all;
    }
    QByteArray part = FData.mid(FOffset, length);
    FOffset += length;
    if (FOffset >= CompactThreshold) {
        FData.remove(0, FOffset);
        FOffset = 0;
    }
    return part;
}

void TIdManagedBuffer::Clear()
{
    FData = QByteArray();
    FOffset = 0;
}
