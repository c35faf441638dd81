// The sales exchange bill plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_SaleChange : public PlugInBase {
public:
    BillEvent_SaleChange();
    ~BillEvent_SaleChange() override;
};

}  // namespace qor
