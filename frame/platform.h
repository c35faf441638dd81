// What the plug-ins need of the operating system and of the host's component machinery:
// creating host components by programmatic identifier, modal boxes, process facts and the
// per-process dictionary. The host attaches one platform to the library before it creates
// plug-in objects.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/collection.h"
#include "frame/errors.h"
#include "frame/recordset.h"
#include "frame/value.h"

namespace qor {

using Args = std::vector<Value>;

// A host component reached late-bound: Call runs a named operation; arguments may be changed
// by the callee (by-reference arguments); failures raise HostError.
class IComponent : public virtual IObject {
public:
    virtual Value Call(const std::string& method, Args& args) = 0;
    Value Call(const std::string& method, std::initializer_list<Value> args) {
        Args a(args);
        return Call(method, a);
    }
};
using ComponentPtr = std::shared_ptr<IComponent>;

// "QORMClass.ClassInfo": reads.
class IClassInfo : public virtual IObject {
public:
    virtual RecordsetPtr Getdata(const std::string& propsString, const std::string& sql) = 0;
};
// "QORMClass.ClassUpdate": writes; the answer is the host's (true on success).
class IClassUpdate : public virtual IObject {
public:
    virtual Value UpdateBatch(const std::string& propsString, const std::string& sql) = 0;
};
// "QORMAPPConnection.AppConnection": a connection opened on a connection string.
class IAppConnection : public virtual IObject {
public:
    virtual void Execute(const std::string& connectString, const std::string& sql) = 0;
    // Column by name of the first row of the last Execute; empty when there is none.
    virtual Value GetValue(const std::string& column) = 0;
    virtual void Close() = 0;
};

// Button codes of the message box and the answers it gives.
enum MsgButtons : int {
    kMsgOkCancel = 1,
    kMsgYesNo = 4,
    kMsgQuestion = 32,
    kMsgExclamation = 48,
    kMsgInformation = 64,
};
enum MsgAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

class IPlatform {
public:
    virtual ~IPlatform() = default;
    // Creates a host component; an unknown identifier raises HostError.
    virtual ObjectPtr CreateObject(const std::string& progId) = 0;
    // Modal message box; returns the button pressed.
    virtual int MsgBox(const std::string& prompt, int buttons, const std::string& caption) = 0;
    // Modal input box; the text entered, "" when cancelled.
    virtual std::string InputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultText) = 0;
    virtual uint32_t ProcessId() = 0;
    virtual std::string SystemDirectory() = 0;
    // The terminal-services session of a process; nullopt when it cannot be had.
    virtual std::optional<uint32_t> ProcessSessionId(uint32_t processId) = 0;
    // The property of the desktop window with that name: the host publishes its per-process
    // dictionary (a Collection) under the decimal process identifier. Null when absent.
    virtual ObjectPtr DesktopWindowProperty(const std::string& name) = 0;
    // Loads a picture by key for a menu tool; null when there is none.
    virtual ObjectPtr LoadPicture(const std::string& key) = 0;
};

// The platform the library uses. Until a host attaches one, a detached platform answers:
// no components (HostError), message boxes take their default button, no process dictionary.
IPlatform& Platform();
void AttachPlatform(std::shared_ptr<IPlatform> platform);

// The library-wide host object factory: creates a component by programmatic identifier
// through the platform and casts it to the interface asked for; HostError when it cannot be
// created or does not offer that interface.
ObjectPtr CreateHostObjectRaw(const std::string& progId);

template <class T = IComponent>
std::shared_ptr<T> CreateHostObject(const std::string& progId) {
    auto typed = std::dynamic_pointer_cast<T>(CreateHostObjectRaw(progId));
    if (!typed) throw HostError(progId, "component does not offer the interface asked for");
    return typed;
}

}  // namespace qor
