#pragma once

// What the benchmarks of the forwarder to a receiving centre share.
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace zelvan::bench {

// dc09.ini towards host:port over TCP, SIA-DCS, no link tests.
inline void writeDc09Ini(const QString& programDir, const QString& host, int port)
{
    QFile f(programDir + QStringLiteral("/dc09.ini"));
    if (!f.open(QIODevice::WriteOnly)
        || f.write(QStringLiteral("[receiver]\nhost=%1\nport=%2\n[link]\nsupervision=0\n")
                       .arg(host)
                       .arg(port)
                       .toUtf8())
               <= 0) {
        std::fprintf(stderr, "bench: dc09.ini cannot be written\n");
        std::exit(2);
    }
}

} // namespace zelvan::bench
