#pragma once

#include "codelog.h"
#include "commandlink.h"
#include "pseudoterminal.h"
#include "seriallink.h"

// A command link whose port is the slave side of a pseudo-terminal; the test reads the master
// side.
struct LinkRig
{
    LinkRig() { port.setPortName(pty.slavePath()); }
    PseudoTerminal pty;
    SerialLink port;
    CodeLog codesOut;
    CommandLink link {port, codesOut};
};
