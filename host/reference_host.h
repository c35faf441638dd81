// The reference host of one session: a platform with every host component registered, the
// account database it works on, and the login it keeps for the plug-ins (login cache, shared
// properties and the per-process dictionary). The scenario runner and the bill-form host make
// one per scenario, on a fresh demo database, then attach it to the library.
#pragma once

#include <memory>
#include <string>

#include "host/components/recording.h"
#include "host/platform.h"

namespace qor::host {

namespace form {
class PlugInLibrary;
}

// The user logged in and how.
struct HostLogin {
    int userId = 16394;  // the demo account's administrator
    std::string userName = "administrator";
    std::string acctName = "杭州汇通商贸有限公司";
    // 1: the process logged in from outside and the login cache answers the login properties;
    // 0: the shared properties answer them.
    bool outerLogin = false;
};

class ReferenceHost {
public:
    // A host working on the database file at databasePath (which must exist; see
    // CreateDemoDatabase), logged in as login. The process dictionary starts with AppType 2,
    // IndustryType 0 and InitClosed True.
    explicit ReferenceHost(std::string databasePath, HostLogin login = {});
    // Closes the shared connection to the database file, so that it may be replaced.
    ~ReferenceHost();
    ReferenceHost(const ReferenceHost&) = delete;
    ReferenceHost& operator=(const ReferenceHost&) = delete;

    const std::string& DatabasePath() const { return databasePath_; }
    HostPlatform& Platform() { return *platform_; }
    const std::shared_ptr<HostPlatform>& PlatformPtr() const { return platform_; }
    // The service components' shared state: their call log, the windows they showed, the
    // dictionaries handed to invoicing, the answers a scenario may tune.
    ServiceContext& Services() { return *services_; }

    // ---- Login ---------------------------------------------------------------------------
    // Logs in again: rebuilds the properties string and republishes the login.
    void SetLogin(HostLogin login);
    const HostLogin& Login() const { return login_; }
    // "ConnectString={Data Source=<db>};UserID=<id>;UserName=<name>;AcctName=<acct>;..."
    const std::string& PropsString() const { return propsString_; }

    // ---- Process dictionary --------------------------------------------------------------
    void SetAppType(int appType);
    void SetIndustryType(int industryType);
    void SetInitClosed(bool initClosed);

    // ---- Account settings (written to the database) --------------------------------------
    // Denies the logged-in user a right (object type, object, access mask).
    void DenyRight(int objectType, int objectID, int access);
    // A system option (t_SystemProfile category and key).
    void SetOption(const std::string& category, const std::string& key, const std::string& value);
    // A per-user option of the logged-in user (ICClassUserProfile).
    void SetUserProfile(const std::string& section, const std::string& key,
                        const std::string& value);

    // Makes this host's database the data components' default and attaches its platform to
    // the library (which forgets the login it read before, so that the next plug-in reads this
    // host's login).
    void Attach(const form::PlugInLibrary& library);

private:
    std::string databasePath_;
    HostLogin login_;
    std::string propsString_;
    std::shared_ptr<HostPlatform> platform_;
    ServiceContextPtr services_;
    void PublishLogin();
};

}  // namespace qor::host
