// Any bytes as Name.dat, Color.dat and Kavel.dat: every record read, the loading at start.
#include "core/ObjectFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace zelvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char arg0[] = "fuzz_objectfiles";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    ObjectFiles files(dir.path());
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QString& path : {files.namePath(), files.colorPath(), files.kavelPath()}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(bytes);
    }
    StationState state;
    files.loadColors(state);
    files.loadBoards(state);
    // Records near the start, where short inputs put their bytes, and the last ones.
    for (int k : {1, 2, 3, 17, 129, 1024}) {
        files.name(k);
        files.color(k);
        files.board(k);
        for (int j = 1; j <= 5; ++j)
            files.kavelCaption(k, j);
    }
    return 0;
}
