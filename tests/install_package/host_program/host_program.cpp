// A small host built against the installed plug-in library: it checks the contract, attaches a
// platform, creates every plug-in object through the C entry, passes values and errors across
// the library's boundary, and finds none of the library's own functions in its exports.
#include <dlfcn.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "frame/contract.h"

namespace {

int failures = 0;

void Expect(bool ok, const std::string& what) {
    if (!ok) {
        std::cerr << "FAILED: " << what << "\n";
        ++failures;
    }
}

// The least platform: no components, every box takes its default button.
class MiniPlatform : public qor::IPlatform {
public:
    qor::ObjectPtr CreateObject(const std::string& progId) override {
        throw qor::HostError(progId, "this host has no component " + progId);
    }
    int MsgBox(const std::string&, int buttons, const std::string&) override {
        return qor::DefaultButton(buttons);
    }
    std::string InputBox(const std::string&, const std::string&, const std::string& d) override {
        return d;
    }
    uint32_t ProcessId() override { return 1; }
    std::string SystemDirectory() override { return "/tmp"; }
    std::optional<uint32_t> ProcessSessionId(uint32_t) override { return std::nullopt; }
    qor::ObjectPtr DesktopWindowProperty(const std::string&) override { return nullptr; }
    qor::ObjectPtr LoadPicture(const std::string&) override { return nullptr; }
};

}  // namespace

int main() {
    // A host creates nothing from a library of another contract.
    if (QOR_XS_ContractVersion() != QOR_XS_CONTRACT_VERSION) {
        std::cerr << "refusing the plug-in library: it was built against host contract "
                  << QOR_XS_ContractVersion() << ", this host speaks version "
                  << QOR_XS_CONTRACT_VERSION << "\n";
        return 1;
    }
    Expect(QOR_XS_CONTRACT_VERSION == PACKAGE_CONTRACT, "the package states the same contract");
    Expect(std::string(QOR_XS_Version()) == "1.5", "library version 1.5");

    auto platform = std::shared_ptr<qor::IPlatform>(std::make_shared<MiniPlatform>());
    QOR_XS_AttachPlatform(&platform);

    int created = 0;
    for (const char* name :
         {"BillEvent_Sale", "BillEvent_SaleChange", "BillEvent_Consign", "BillEvent_Order",
          "BillEvent_TempConsign", "BillEvent_TempGJ", "BillEvent_XSCX"}) {
        std::string progId = std::string("QOR_XS_PlugIns.") + name;
        qor::IPlugIn* object = QOR_XS_CreateObject(progId.c_str());
        Expect(object != nullptr, "creates " + progId);
        if (!object) continue;
        ++created;
        Expect(object->ProgId() == progId, progId + " names itself");
        // An operation no class offers: the library's error reaches the host as a host error.
        qor::Args args;
        bool caught = false;
        try {
            object->Invoke("NoSuchOperation", args);
        } catch (const qor::HostError&) {
            caught = true;
        } catch (...) {
        }
        Expect(caught, progId + ": an unknown operation raises a HostError the host catches");
        QOR_XS_ReleaseObject(object);
    }
    Expect(QOR_XS_CreateObject("QOR_XS_PlugIns.BillEvent_Nothing") == nullptr,
           "no object for an unknown identifier");

    // The value model is part of the contract.
    Expect(qor::Value("12abc").ToNumber() == 12, "values read as the library reads them");
    auto collection = qor::Collection::Make({{"FKey", qor::Value("FQty")}});
    Expect(collection->Get("fkey").ToString() == "FQty", "collections answer any letter case");

    // Only the contract and the C entry are exported.
    void* library = dlopen(PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
    Expect(library != nullptr, "the library file loads");
    if (library) {
        Expect(dlsym(library, "QOR_XS_CreateObject") != nullptr, "the C entry is exported");
        Expect(dlsym(library, "_ZN3qor11DataGateway8InstanceEv") == nullptr,
               "the data gateway is not exported");
        Expect(dlsym(library,
                     "_ZN3qor12CreatePlugInERKNSt7__cxx1112basic_stringIcSt11char_"
                     "traitsIcESaIcEEE") == nullptr,
               "the class registry is not exported");
        dlclose(library);
    }

    QOR_XS_AttachPlatform(nullptr);
    if (failures) return 1;
    std::cout << "host program: contract " << QOR_XS_ContractVersion() << ", " << created
              << " objects created, ok\n";
    return 0;
}
