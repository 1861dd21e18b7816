#pragma once

#include "feed/FeedCursor.h"

#include <deque>
#include <optional>

namespace zelvan {

// The lines of a day file sent to the broker and not yet acknowledged, in the
// order sent. The cursor passes a line only once it and every line sent
// before it are acknowledged: nothing unacknowledged is ever passed over.
class AckWindow
{
public:
    void sent(int id, const FeedPosition& after) { m_sent.push_back({id, after, false}); }
    bool contains(int id) const;
    // Marks the message acknowledged. The place after the longest run of
    // acknowledged lines at the front, which the cursor may now pass; nothing
    // when the front still waits or the id is not one of these.
    std::optional<FeedPosition> acknowledge(int id);
    // Everything sent is forgotten (sent again from the cursor).
    void clear() { m_sent.clear(); }
    int size() const { return int(m_sent.size()); }
    bool empty() const { return m_sent.empty(); }

private:
    struct Sent
    {
        int id = 0;
        FeedPosition after;
        bool acknowledged = false;
    };
    std::deque<Sent> m_sent;
};

} // namespace zelvan
