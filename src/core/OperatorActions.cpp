#include "core/OperatorActions.h"

#include <array>

namespace zelvan {

QString journalActionName(JournalAction action)
{
    static constexpr std::array<const char*, 22> kNames = {
        "start",       "exit",    "login",       "logout",         "login_failed", "take",
        "release",     "silence", "measure",     "thresholds",     "colour",       "names",
        "information", "board",   "restore",     "options",        "report",       "print",
        "pdf",         "csv",     "unclean_end", "journal_dropped"};
    const auto i = static_cast<size_t>(action);
    return i < kNames.size() ? QString::fromLatin1(kNames[i]) : QString();
}

} // namespace zelvan
