// The sales order plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_Order : public PlugInBase {
public:
    BillEvent_Order();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_Order() override;
};

}  // namespace qor
