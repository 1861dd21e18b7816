#include "support/EngineFixture.h"

#include <QDir>
#include <QFile>

namespace zelvan::test {

namespace {

QString prepareDataDir(const QTemporaryDir& home, StationState& state)
{
    state.DataDir = home.path() + QStringLiteral("/Data");
    QDir().mkpath(state.DataDir);
    for (int m = 1; m <= kModuleCount; ++m)
        state.ModuleEnabled[size_t(m)] = true;
    state.fillMonthNames();
    return state.DataDir;
}

} // namespace

EngineFixture::EngineFixture()
    : files(prepareDataDir(home, state)), archive(state.DataDir), grid(state),
      commands(state, port1, port2)
{
    files.createMissing();
    port1.open(QStringLiteral("1"), QStringLiteral("4800,n,8,1"));
    port2.open(QStringLiteral("2"), QStringLiteral("4800,n,8,1"));
}

StationContext EngineFixture::context() { return context(panel); }

StationContext EngineFixture::context(PanelControl& otherPanel)
{
    return StationContext{state,  clock, beeper,   files,      archive, alarms,
                          events, grid,  commands, otherPanel, screen};
}

QByteArray EngineFixture::takeWritten(int port)
{
    return port == 1 ? port1.takeWritten() : port2.takeWritten();
}

QByteArray EngineFixture::dayFileBytes() const
{
    QFile file(archive.dayFilePath(clock.now().date()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArrayList EngineFixture::dayFileLines() const
{
    QByteArrayList lines = dayFileBytes().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

} // namespace zelvan::test
