#include "core/OperatorActions.h"

#include "core/Addressing.h"
#include "core/Labels.h"

#include <algorithm>
#include <array>

namespace zelvan {

namespace {

constexpr size_t kActionCount = 26;

constexpr std::array<const char*, kActionCount> kNames = {
    "start",       "exit",     "login",    "logout",     "login_failed", "take",
    "release",     "silence",  "measure",  "thresholds", "colour",       "names",
    "information", "board",    "restore",  "options",    "report",       "print",
    "pdf",         "csv",      "given_up", "refused",    "unclean_end",  "journal_dropped",
    "hand_over",   "take_over"};

// The words of the operator's own language, in the order of JournalAction (UTF-8).
constexpr std::array<const char*, kActionCount> kCaptions = {"Пускане",
                                                             "Спиране",
                                                             "Вход",
                                                             "Изход",
                                                             "Неуспешен вход",
                                                             "Поемане",
                                                             "Освобождаване",
                                                             "Тишина",
                                                             "Измерване",
                                                             "Прагове",
                                                             "Цвят",
                                                             "Имена",
                                                             "Информация",
                                                             "Платка",
                                                             "Възстановяване",
                                                             "Настройки",
                                                             "Справка",
                                                             "Печат",
                                                             "Запис в PDF",
                                                             "Запис в CSV",
                                                             "Изоставено",
                                                             "Отказано",
                                                             "Спиране без край",
                                                             "Изпуснати редове",
                                                             "Предаване на линията",
                                                             "Поемане на линията"};

} // namespace

QString journalActionName(JournalAction action)
{
    const auto i = static_cast<size_t>(action);
    return i < kNames.size() ? QString::fromLatin1(kNames[i]) : QString();
}

QString journalActionCaption(JournalAction action)
{
    const auto i = static_cast<size_t>(action);
    return i < kActionCount ? QString::fromUtf8(kCaptions[i]) : QString();
}

QString journalActionCaption(const QString& word)
{
    const auto known = std::find_if(kNames.cbegin(), kNames.cend(), [&word](const char* name) {
        return word == QLatin1String(name);
    });
    return known == kNames.cend()
               ? word
               : journalActionCaption(JournalAction(std::distance(kNames.cbegin(), known)));
}

ActionRequest ActionRequest::onObject(JournalAction action, const StationState& state, int k)
{
    return {action, k, k > 0 ? moduleOf(k) : 0,
            QStringLiteral("%1 на обект %2")
                .arg(journalActionCaption(action), FormatObjectLabel(state, k).trimmed())};
}

ActionRequest ActionRequest::onModule(JournalAction action, const StationState& state, int m)
{
    return {action, 0, m,
            QStringLiteral("%1 на модул %2")
                .arg(journalActionCaption(action), ModuleLabel(state, m).trimmed())};
}

ActionRequest ActionRequest::plain(JournalAction action)
{
    return {action, 0, 0, journalActionCaption(action)};
}

} // namespace zelvan
