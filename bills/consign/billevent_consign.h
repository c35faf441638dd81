// The consignment bill plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_Consign : public PlugInBase {
public:
    BillEvent_Consign();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_Consign() override;
};

}  // namespace qor
