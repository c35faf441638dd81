// The contract between a host and this library: the plug-in object the host holds and the C
// entry through which it loads the library, checks that both sides speak the same contract,
// hands over its platform, creates objects and listens to the library's diagnostics.
//
// The contract is this header with the interfaces it includes (the value model, collections,
// record sets, host errors, the bill form and list, the platform). Any change to them that a
// host built earlier could not use raises kContractVersion; a host compares the library's
// QOR_XS_ContractVersion() with its own before it creates anything.
#pragma once

#include <memory>
#include <string>

#include "frame/export.h"
#include "frame/host.h"
#include "frame/host_platform.h"

#define QOR_XS_CONTRACT_VERSION 1

QOR_XS_CONTRACT_BEGIN
namespace qor {

inline constexpr int kContractVersion = QOR_XS_CONTRACT_VERSION;

// What the host holds of a plug-in object.
class IPlugIn {
public:
    virtual ~IPlugIn() = default;
    virtual std::string ProgId() const = 0;
    // Binds a bill form (type name "BILLEVENT" in any letter case) or else a bill list.
    virtual void Show(const ObjectPtr& obj) = 0;
    // The class's public operations by name (GetUserProfile, SaveUserProfileItem, ...);
    // HostError for a name the class does not offer.
    virtual Value Invoke(const std::string& method, Args& args) = 0;
};

}  // namespace qor

extern "C" {

// One thing the library reports to a diagnostics sink: an event it began handling, a
// statement it sent to the host's database, or an error one of its functions trapped (the
// function gave its empty answer instead; nothing was shown to the user). The texts live until
// the sink returns.
enum QOR_XS_TraceKind { QOR_XS_TRACE_EVENT = 1, QOR_XS_TRACE_STATEMENT = 2, QOR_XS_TRACE_TRAPPED = 3 };
struct QOR_XS_TraceRecord {
    int kind;               // a QOR_XS_TraceKind
    const char* event;      // the handler running ("m_BillInterface_Change"), "" outside any
    const char* sql;        // the statement (kind 2), else ""
    const char* error;      // why the statement failed, or the error trapped (kind 3), else ""
    const char* trappedIn;  // the function that trapped it (kind 3), else ""
    int isWrite;            // 1 for a statement that changes data
    int fromCache;          // 1 for a read answered from the event's cache (not sent)
    int failed;             // 1 for a statement the host refused, and for kind 3
    long rows;              // rows a read returned, -1 otherwise
    long long micros;       // how long the statement took
};
typedef void (*QOR_XS_TraceSink)(const struct QOR_XS_TraceRecord* record, void* context);

// The contract the library was built against (QOR_XS_CONTRACT_VERSION of its headers).
int QOR_XS_ContractVersion();
// The library's version ("1.5").
const char* QOR_XS_Version();
// The host attaches its platform before creating objects; attaching (another) platform makes
// the library forget the login it read through the previous one.
void QOR_XS_AttachPlatform(std::shared_ptr<qor::IPlatform>* platform);
// The object registered under progId, or null. Release it with QOR_XS_ReleaseObject.
qor::IPlugIn* QOR_XS_CreateObject(const char* progId);
void QOR_XS_ReleaseObject(qor::IPlugIn* object);
// Sends every diagnostic record to sink (with context) from now on; a null sink stops it.
void QOR_XS_SetTraceSink(QOR_XS_TraceSink sink, void* context);
}
QOR_XS_CONTRACT_END
