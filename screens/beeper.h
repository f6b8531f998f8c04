#pragma once
// The system beep, as the end window sounds it.

namespace dovrix {

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

// The platform's own beep (QApplication::beep).
class SystemBeeper : public Beeper {
public:
    void beep() override;
};

} // namespace dovrix
