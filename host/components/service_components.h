// Registers the reference host's service components with its platform.
#pragma once

#include <string>
#include <vector>

#include "host/components/recording.h"
#include "host/platform.h"

namespace qor::host {

// Every service component's programmatic identifier, in registration order.
const std::vector<std::string>& ServiceComponentIds();

// Registers every service component; each creation gives a new object sharing ctx.
void RegisterServiceComponents(HostPlatform& platform, const ServiceContextPtr& ctx);

}  // namespace qor::host
