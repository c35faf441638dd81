// The sales order plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_Order : public PlugInBase {
public:
    BillEvent_Order();
    ~BillEvent_Order() override;
};

}  // namespace qor
