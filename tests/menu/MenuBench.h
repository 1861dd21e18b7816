#pragma once

#include "core/Cp1251.h"
#include "core/ObjectFiles.h"
#include "core/OptionsFile.h"
#include "core/ScreenState.h"
#include "core/StationState.h"
#include "core/ZelvanIni.h"
#include "link/CommandSender.h"
#include "menu/MenuSession.h"
#include "menu/StateRestore.h"
#include "support/Fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace zelvan::test {

// The engine parts the menu window works with, over a temporary program
// directory holding a default zelvan.ini and a data directory with fresh
// object files.
struct MenuBench
{
    QTemporaryDir home;
    FakeClock clock;
    StationState state;
    ScreenState screen;
    ZelvanIni ini{home.path()};
    ObjectFiles files{home.filePath(QStringLiteral("Data"))};
    FakeSerialLine port1;
    FakeSerialLine port2;
    CommandSender commands{state, port1, port2};
    StateRestore restore{state, commands, &screen};
    OptionsFile optionsFile{ini, screen};

    MenuBench()
    {
        state.DataDir = home.filePath(QStringLiteral("Data"));
        state.fillMonthNames();
        QDir().mkpath(state.DataDir);
        ini.WriteDefaultConfig();
        files.createMissing();
        port1.open(QStringLiteral("1"), QStringLiteral("4800,n,8,1"));
        port2.open(QStringLiteral("2"), QStringLiteral("4800,n,8,1"));
    }

    QString dataFile(const QString& name) const { return QDir(state.DataDir).filePath(name); }

    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeAll(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    // Record r (from 1) of a fixed-record file.
    static QByteArray record(const QByteArray& file, int r, int length)
    {
        return file.mid(qsizetype(r - 1) * length, length);
    }
    // A text field as stored: 16-bit little-endian count, cp1251 characters, zeros.
    static QByteArray textRecord(const QString& text, int length)
    {
        QByteArray bytes = toCp1251(text);
        QByteArray out;
        out.append(char(bytes.size() & 0xff)).append(char(bytes.size() >> 8)).append(bytes);
        out.append(QByteArray(length - out.size(), '\0'));
        return out;
    }
};

} // namespace zelvan::test
