// The special-price bill plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_XSCX : public PlugInBase {
public:
    BillEvent_XSCX();
    ~BillEvent_XSCX() override;
};

}  // namespace qor
