#pragma once

#include <QByteArray>

// A growable byte buffer. Shrinking keeps the memory, so a buffer that is resized up and
// down around every receive allocates only once.
class TIdSimpleBuffer {
public:
    virtual ~TIdSimpleBuffer() = default;

    qsizetype Size() const { return FData.size(); }
    void SetSize(qsizetype size) { FData.resize(size); }
    char* Memory() { return FData.data(); }
    const char* Memory() const { return FData.constData(); }
    void Clear() { FData.clear(); }

protected:
    QByteArray FData;
};
