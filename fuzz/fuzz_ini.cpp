// Any bytes as zelvan.ini: every reader, then the options rewrite.
#include "core/ZelvanIni.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace zelvan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char arg0[] = "fuzz_ini";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    ZelvanIni ini(dir.path());
    {
        QFile f(ini.path());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    StationState state;
    const StartupConfig config = ini.readStartup();
    config.applyTo(state);
    const auto options = ini.readOptions();
    const PrinterFont font = ini.readPrinterFont();
    // The rewrite syncs (cheap on the tmpfs directory scripts/fuzz.sh gives);
    // exercise it on a quarter of the inputs.
    if (size > 0 && data[0] % 4 == 0) {
        ini.SaveMenuOptions(options, font);
        ini.readStartup();
    }
    return 0;
}
