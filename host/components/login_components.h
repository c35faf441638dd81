// The login as the reference host keeps it for the processes of the account: the login cache
// and the shared properties, each a keyed collection per process identifier in the host's
// service context.
#pragma once

#include "host/components/recording.h"

namespace qor::host {

// "QORMtsCacheService.CacheFacade": GetItem(processId, key) -> the process's login cache item
// (objects kept as objects), empty when absent.
class CacheFacadeComponent : public RecordingComponent {
public:
    explicit CacheFacadeComponent(ServiceContextPtr context);
};

// "QORPropsMgr.ShareProps": GetProperty(processId, key) -> the process's shared property,
// empty when absent.
class SharePropsComponent : public RecordingComponent {
public:
    explicit SharePropsComponent(ServiceContextPtr context);
};

}  // namespace qor::host
