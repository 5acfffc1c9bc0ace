#pragma once

#include "common/TestSupport.h"
#include "core/link/DeviceLink.h"
#include "core/session/ModuleSession.h"

#include <memory>

// The lines to the module and a module session following them, as the program wires them,
// without any window.
struct LinkedSession
{
    explicit LinkedSession(PortNameMapping portNames, std::unique_ptr<AdapterBackend> adapters = {})
        : link(std::move(portNames), std::move(adapters))
        , session(link.channel(), clock)
    {
        followLink(session, link);
    }

    FakeClock clock;
    DeviceLink link;
    ModuleSession session;
};
