// The network control module: the rigctld server and Qt Network, loaded by the panel on first use.
#include "rigctlserver.h"

extern "C" Q_DECL_EXPORT NetworkServer *QzNewNetworkServer(RigTarget *rig)
{
    return new RigctlServer(*rig);
}
