// The sales bill (deliveries, returns and settlements of consigned goods) plug-in.
#pragma once

#include "frame/plugin.h"

namespace qor {

class BillEvent_Sale : public PlugInBase {
public:
    BillEvent_Sale();
    // The class's facts: its name, the events it handles, its per-user settings.
    static const ClassFacts& ClassInfo();
    ~BillEvent_Sale() override;

    // The user right (15, 2010, 32) evaluated once when the object is created.
    bool HasRight2010() const { return right2010_; }

private:
    bool right2010_ = false;
};

}  // namespace qor
