// The consignment bill plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_Consign : public PlugInBase {
public:
    BillEvent_Consign();
    ~BillEvent_Consign() override;
};

}  // namespace qor
