// The opening consignment bill plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_TempConsign : public PlugInBase {
public:
    BillEvent_TempConsign();
    ~BillEvent_TempConsign() override;
};

}  // namespace qor
