// Any bytes as zelvan.ini, in memory: every reader, then the options rewrite,
// whose result must read back as the options and font it was given.
#include "FuzzSupport.h"
#include "core/ZelvanIni.h"

using namespace zelvan;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::startApplication();
    static const ZelvanIni ini(QStringLiteral("/nonexistent"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    static StationState state; // 1,025 elements a table: built once, not per input
    const StartupConfig config = ini.startupFrom(bytes);
    config.applyTo(state);
    const auto& options = config.options; // the start-up reading holds the options reader
    const PrinterFont font = ZelvanIni::printerFontFrom(bytes);

    const QByteArray rewritten = ZelvanIni::withMenuOptions(bytes, options, font);
    QStringList problems;
    check(ZelvanIni::optionsFrom(rewritten, &problems) == options);
    const PrinterFont back = ZelvanIni::printerFontFrom(rewritten, &problems);
    check(back.size == font.size && back.bold == font.bold && back.italic == font.italic);
    return 0;
}
