#pragma once

#include "core/ZelvanIni.h"

#include <array>
#include <optional>

namespace zelvan {

class ScreenState;

// The menu's options and printer font on their way into zelvan.ini. A rewrite
// that fails is kept: it stays in the panel's problem list and is tried again
// at every retry() (the supervision tick) until it is written, and until then
// the options read here are the kept ones, so a menu opened meanwhile shows
// what the operator chose, not the old file.
class OptionsFile
{
public:
    OptionsFile(const ZelvanIni& ini, ScreenState& screen);

    QString path() const { return m_ini.path(); }
    std::array<qint16, 6> readOptions() const;
    PrinterFont readPrinterFont() const;
    // Writes them, replacing anything kept; false when the rewrite failed (they are kept).
    bool write(const std::array<qint16, 6>& options, const PrinterFont& font);
    bool pending() const { return m_pending.has_value(); }
    // Tries the kept rewrite again.
    void retry();

private:
    struct Choice
    {
        std::array<qint16, 6> options{};
        PrinterFont font;
    };
    bool tryWrite();

    const ZelvanIni& m_ini;
    ScreenState& m_screen;
    std::optional<Choice> m_pending;
};

} // namespace zelvan
