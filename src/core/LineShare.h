#pragma once

namespace zelvan {

// How this panel stands on a line that a second panel may listen to as
// well: whether it may write to the line now, and whether a module that
// stays silent has lost its link or is only not being asked. A panel on its
// own always writes, and every silence is a loss.
class LineShare
{
public:
    virtual ~LineShare() = default;
    virtual bool writes() const = 0;
    // False while nobody asks the modules (this panel listens and the other
    // one is not active): their silence then says nothing about them.
    virtual bool silenceIsLoss() const = 0;
};

} // namespace zelvan
