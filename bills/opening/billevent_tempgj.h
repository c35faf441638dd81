// The opening provisional purchase bill plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_TempGJ : public PlugInBase {
public:
    BillEvent_TempGJ();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_TempGJ() override;
};

}  // namespace qor
