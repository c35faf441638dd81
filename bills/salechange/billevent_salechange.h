// The sales exchange bill plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_SaleChange : public PlugInBase {
public:
    BillEvent_SaleChange();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_SaleChange() override;
};

}  // namespace qor
