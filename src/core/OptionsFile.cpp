#include "core/OptionsFile.h"

#include "core/ConfigTexts.h"
#include "core/ScreenState.h"

namespace zelvan {

OptionsFile::OptionsFile(const ZelvanIni& ini, ScreenState& screen) : m_ini(ini), m_screen(screen)
{
}

std::array<qint16, 6> OptionsFile::readOptions() const
{
    return m_pending ? m_pending->options : m_ini.readOptions();
}

PrinterFont OptionsFile::readPrinterFont() const
{
    return m_pending ? m_pending->font : m_ini.readPrinterFont();
}

bool OptionsFile::write(const std::array<qint16, 6>& options, const PrinterFont& font)
{
    m_pending = Choice{options, font};
    return tryWrite();
}

void OptionsFile::retry()
{
    if (m_pending)
        tryWrite();
}

bool OptionsFile::tryWrite()
{
    const bool written = m_ini.SaveMenuOptions(m_pending->options, m_pending->font);
    if (written)
        m_pending.reset();
    m_screen.setProblem(ScreenState::ProblemSource::OptionsWrite,
                        written ? QString()
                                : config_texts::optionsNotWritten().arg(m_ini.errorString()));
    return written;
}

} // namespace zelvan
