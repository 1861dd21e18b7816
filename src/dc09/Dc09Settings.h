#pragma once

#include "dc09/Dc09Events.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zelvan::dc09 {

// What dc09.ini in the program directory says: the receiving centre's
// receivers, the form of the messages, the link's timing, the accounts and
// the codes. Without the file nothing is forwarded and no socket is opened.
struct Settings
{
    struct Endpoint
    {
        QString host;
        int port = 0;
        bool configured() const { return !host.isEmpty(); }
        QString text() const { return host + QLatin1Char(':') + QString::number(port); }
    };
    Endpoint primary;
    Endpoint backup; // used while the first does not answer
    bool udp = false;
    QByteArray token = "SIA-DCS"; // or "ADM-CID"
    QByteArray receiver = "1";    // the R field
    QByteArray line = "1";        // the L field
    QByteArray key;               // the AES key's bytes; empty: not encrypted
    int supervisionS = 90;        // between link tests while idle; 0: none
    int timeoutS = 10;            // for an answer, before sending again
    // On the backup receiver, the first one is tried again this long after it
    // was left. Not a key of dc09.ini: a minute always; tests shorten it.
    int primaryAgainS = 60;
    Accounts accounts;
    CodeTable codes;
};

class SettingsFile
{
public:
    static QString fileName() { return QStringLiteral("dc09.ini"); }

    struct Result
    {
        bool present = false;
        Settings settings;
        QStringList problems; // nothing is sent while there is any
        bool usable() const { return present && problems.isEmpty(); }
    };

    // systemNo: the station's, for the default accounts.
    static Result read(const QString& programDir, int systemNo);
};

} // namespace zelvan::dc09
