#include "feed/AckWindow.h"

#include <algorithm>

namespace zelvan {

bool AckWindow::contains(int id) const
{
    return std::any_of(m_sent.begin(), m_sent.end(), [id](const Sent& s) { return s.id == id; });
}

std::optional<FeedPosition> AckWindow::acknowledge(int id)
{
    const auto it =
        std::find_if(m_sent.begin(), m_sent.end(), [id](const Sent& s) { return s.id == id; });
    if (it == m_sent.end())
        return std::nullopt;
    it->acknowledged = true;
    std::optional<FeedPosition> passed;
    while (!m_sent.empty() && m_sent.front().acknowledged) {
        passed = m_sent.front().after;
        m_sent.pop_front();
    }
    return passed;
}

} // namespace zelvan
