#pragma once

#include "IdSimpleBuffer.h"

// A byte queue: bytes are appended at the end and handed out from the front. Handing out
// only advances an offset past the consumed prefix; the rest is moved to the front once
// that offset reaches CompactThreshold, and handing out everything releases the memory.
class TIdManagedBuffer : public TIdSimpleBuffer {
public:
    static constexpr qsizetype CompactThreshold = 32768;

    // Bytes not yet handed out.
    qsizetype Size() const { return FData.size() - FOffset; }
    qsizetype Offset() const { return FOffset; }

    void Append(const char* data, qsizetype length);
    // Hands out the first length bytes (all of them when length is negative or too big).
    QByteArray Extract(qsizetype length = -1);
    void Clear();

private:
    qsizetype FOffset = 0;
};
