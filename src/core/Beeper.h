#pragma once

namespace zelvan {

// The system beep.
class Beeper
{
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

} // namespace zelvan
