#pragma once

class QWidget;

// The question asked before the program ends: "Do you really want to exit ?", Yes or No (the
// default). Once answered Yes it is not asked again; a close request while it is open (Esc held,
// say) asks nothing more and is refused.
class ExitQuestion
{
public:
    // True when the program may end.
    bool Confirm(QWidget *parent);

private:
    bool m_confirmed = false;
    bool m_asking = false;
};
