// The file handling itself, on the tmpfs directory scripts/fuzz.sh gives: any
// bytes as Name.dat, Color.dat or Kavel.dat read record by record and loaded
// at start, as zelvan.ini read and rewritten, or as a day file read back. The
// first byte chooses which; the rules on the bytes are fuzzed in memory by
// fuzz_objectfiles, fuzz_ini and fuzz_dayfile.
#include "FuzzSupport.h"
#include "core/ObjectFiles.h"
#include "core/ZelvanIni.h"
#include "events/DayArchive.h"
#include "events/DayFile.h"

#include <QFile>
#include <QTemporaryDir>

using namespace zelvan;

namespace {

// The tables the readers fill: 1,025 elements each, built once, not per input.
StationState& state()
{
    static StationState tables;
    return tables;
}

bool writeFile(const QString& path, QByteArrayView bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && f.write(bytes.data(), bytes.size()) == bytes.size();
}

// One object data file written with the bytes, then read as the station reads it.
void objectFile(const QString& dir, QByteArrayView bytes, int which)
{
    const ObjectFiles files(dir);
    const QString paths[] = {files.namePath(), files.colorPath(), files.kavelPath()};
    if (!writeFile(paths[which], bytes))
        return;
    for (int k : {1, 17, 1024}) {
        switch (which) {
        case 0:
            files.name(k);
            break;
        case 1:
            files.color(k);
            break;
        default:
            files.board(k);
            files.kavelCaption(k, 5);
            break;
        }
    }
    if (which == 1)
        files.loadColors(state());
    if (which == 2)
        files.loadBoards(state());
}

void iniFile(const QString& dir, QByteArrayView bytes, bool rewrite)
{
    const ZelvanIni ini(dir);
    if (!writeFile(ini.path(), bytes))
        return;
    ini.readStartup().applyTo(state());
    const auto options = ini.readOptions();
    const PrinterFont font = ini.readPrinterFont();
    if (rewrite) {
        ini.SaveMenuOptions(options, font);
        ini.readStartup();
    }
}

void dayFile(const QString& dir, QByteArrayView bytes)
{
    const QString path = dir + QLatin1Char('/') + DayArchive::dayFileName(QDate(2024, 2, 29));
    if (!writeFile(path, bytes))
        return;
    DayFileReader reader(path);
    if (reader.open()) {
        DayRecord r;
        while (reader.next(r))
            r.timeText();
        reader.close();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::startApplication();
    static QTemporaryDir dir;
    if (size == 0)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 6) {
    case 0:
    case 1:
    case 2:
        objectFile(dir.path(), bytes, data[0] % 6);
        break;
    case 3:
        iniFile(dir.path(), bytes, false);
        break;
    case 4:
        iniFile(dir.path(), bytes, true);
        break;
    default:
        dayFile(dir.path(), bytes);
        break;
    }
    return 0;
}
