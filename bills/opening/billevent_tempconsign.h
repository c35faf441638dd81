// The opening consignment bill plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_TempConsign : public PlugInBase {
public:
    BillEvent_TempConsign();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_TempConsign() override;
};

}  // namespace qor
