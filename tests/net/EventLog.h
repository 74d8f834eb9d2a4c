#pragma once

#include "IdTCPClient.h"

#include <QStringList>

// Records the client's events and status reports in the order they arrive.
struct EventLog {
    QStringList Entries;
    bool InsideCall = false; // set by the test around a call it watches
    QStringList EntriesInsideCall;

    void Attach(TIdTCPClient& client)
    {
        client.OnConnected = [this](TComponent*) { Add(QStringLiteral("OnConnected")); };
        client.OnDisconnected = [this](TComponent*) { Add(QStringLiteral("OnDisconnected")); };
        client.OnStatus = [this](TComponent*, TIdStatus, const QString& text) { Add(text); };
    }
    void Add(const QString& entry)
    {
        Entries << entry;
        if (InsideCall)
            EntriesInsideCall << entry;
    }
    int Count(const QString& entry) const { return static_cast<int>(Entries.count(entry)); }
};
