// The special-price bill plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_XSCX : public PlugInBase {
public:
    BillEvent_XSCX();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_XSCX() override;
};

}  // namespace qor
