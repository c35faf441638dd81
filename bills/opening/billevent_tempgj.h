// The opening provisional purchase bill plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_TempGJ : public PlugInBase {
public:
    BillEvent_TempGJ();
    ~BillEvent_TempGJ() override;
};

}  // namespace qor
