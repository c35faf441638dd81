#include "host/reference_host.h"

#include <unistd.h>

#include "frame/host_platform.h"
#include "host/form/plugin_library.h"
#include "host/components/profiles.h"
#include "host/components/service_components.h"
#include "host/data_components.h"

namespace qor::host {

namespace {

// The write component as the host has it, each batch also recorded in the services' call log
// so a scenario can see the write-backs a plug-in sent.
class RecordedClassUpdate : public ClassUpdate {
public:
    explicit RecordedClassUpdate(ServiceContextPtr services) : services_(std::move(services)) {}
    Value UpdateBatch(const std::string& propsString, const std::string& sql) override {
        services_->Record({"QORMClass.ClassUpdate", "UpdateBatch", {propsString, sql}});
        return ClassUpdate::UpdateBatch(propsString, sql);
    }

private:
    ServiceContextPtr services_;
};

std::string MachineName() {
    char name[256] = {};
    if (gethostname(name, sizeof(name) - 1) != 0) return "localhost";
    return name;
}

}  // namespace

ReferenceHost::ReferenceHost(std::string databasePath, HostLogin login)
    : databasePath_(std::move(databasePath)),
      login_(std::move(login)),
      platform_(std::make_shared<HostPlatform>()),
      services_(std::make_shared<ServiceContext>()) {
    // A connection left open on an earlier file of the same name would read the old data.
    CloseDatabase(databasePath_);
    HoldDatabaseLock(databasePath_, true);  // the host owns the file while it lives
    SetDefaultDatabasePath(databasePath_);
    services_->SetDefaultDatabase(databasePath_);
    services_->SetPlatform(platform_);
    for (const char* id : {"QORMClass.ClassInfo", "QORMAPPConnection.AppConnection"})
        platform_->RegisterComponent(id, [id] { return CreateDataComponent(id); });
    platform_->RegisterComponent("QORMClass.ClassUpdate", [services = services_] {
        return std::make_shared<RecordedClassUpdate>(services);
    });
    RegisterServiceComponents(*platform_, services_);
    auto dictionary = platform_->ProcessDictionary();
    dictionary->Set("AppType", 2);
    dictionary->Set("IndustryType", 0);
    dictionary->Set("InitClosed", true);
    PublishLogin();
}

ReferenceHost::~ReferenceHost() {
    HoldDatabaseLock(databasePath_, false);
    CloseDatabase(databasePath_);
}

void ReferenceHost::SetLogin(HostLogin login) {
    login_ = std::move(login);
    PublishLogin();
}

void ReferenceHost::PublishLogin() {
    std::string user = std::to_string(login_.userId);
    std::string connect = "Data Source=" + databasePath_;
    propsString_ = "ConnectString={" + connect + "};UserID=" + user +
                   ";UserName=" + login_.userName + ";AcctName=" + login_.acctName + ";";
    services_->SetLoginProps(propsString_);

    uint32_t pid = platform_->ProcessId();
    auto publish = [&](const CollectionPtr& c) {
        c->Clear();
        c->Set("UserName", login_.userName);
        c->Set("UserID", login_.userId);
        c->Set("PropsString", propsString_);
        c->Set("ConnectString", connect);
        c->Set("LogStatus", 1);
        c->Set("AcctName", login_.acctName);
        c->Set("AcctType", 1);
        c->Set("Setuptype", 0);
        c->Set("AcctID", 1);
        c->Set("SubID", 0);
        c->Set("AcctClosed", false);
        c->Set("MachineName", MachineName());
        c->Set("IP", "127.0.0.1");
        c->Set("UUID", "qor-login-" + user);
        c->Set("QORLogin", true);
    };
    auto cache = services_->LoginCache(pid);
    publish(cache);
    cache->Set("IsOuterLogin", login_.outerLogin ? 1 : 0);
    publish(services_->SharedProps(pid));
}

void ReferenceHost::SetAppType(int appType) {
    platform_->ProcessDictionary()->Set("AppType", appType);
}

void ReferenceHost::SetIndustryType(int industryType) {
    platform_->ProcessDictionary()->Set("IndustryType", industryType);
}

void ReferenceHost::SetInitClosed(bool initClosed) {
    platform_->ProcessDictionary()->Set("InitClosed", initClosed);
}

void ReferenceHost::DenyRight(int objectType, int objectID, int access) {
    DenyAccessRight(*services_, login_.userId, objectType, objectID, access);
}

void ReferenceHost::SetOption(const std::string& category, const std::string& key,
                              const std::string& value) {
    WriteSystemProfile(*services_, category, key, value);
}

void ReferenceHost::SetUserProfile(const std::string& section, const std::string& key,
                                   const std::string& value) {
    WriteUserProfile(*services_, login_.userId, section, key, value);
}

void ReferenceHost::Attach(const form::PlugInLibrary& library) {
    SetDefaultDatabasePath(databasePath_);
    library.AttachPlatform(platform_);
}

}  // namespace qor::host
