// What the plug-ins need of the operating system and of the host's component machinery, as the
// host provides it: host components reached by programmatic identifier, modal boxes, process
// facts and the per-process dictionary. The host hands one platform to the library (through
// the C entry, frame/contract.h) before it creates plug-in objects.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/collection.h"
#include "frame/errors.h"
#include "frame/export.h"
#include "frame/recordset.h"
#include "frame/value.h"

QOR_XS_CONTRACT_BEGIN
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
// The default-button flags: the second (256) or third (512) button is the default one.
enum MsgDefault : int { kMsgDefaultButton2 = 256, kMsgDefaultButton3 = 512 };

// The button a message box answers with when the user just confirms it: the first of its
// button set, or the second or third one when the default-button flag says so (36 + 256 is a
// Yes/No question whose default is No).
int DefaultButton(int buttons);

// A plug-in's own modal dialog with one text box (the order's reject-note dialog): a caption,
// a label above the box, the text the box starts with, and OK and Cancel. With okNeedsText the
// OK button is enabled only while the trimmed text is not blank.
struct TextDialog {
    std::string caption;
    std::string label;
    std::string text;  // in: what the box starts with; out, after OK: what it held
    std::string okCaption = "确定";
    std::string cancelCaption = "取消";
    bool okNeedsText = true;
};

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
    // Shows the dialog modally: true when the user confirmed it with OK (dialog.text then holds
    // what the box held), false when it was cancelled. A platform that cannot show dialogs
    // answers false.
    virtual bool ShowTextDialog(TextDialog& dialog);
    // The current local date and time: what the plug-ins write as "now" and "today". A host may
    // hold it still (a scripted session's day); the default is the system clock.
    virtual Date Now();
};

}  // namespace qor
QOR_XS_CONTRACT_END
