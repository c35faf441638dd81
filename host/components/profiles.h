// System options, general-ledger objects, user rights and per-user options, as the reference
// host's components answer them from the account database.
#pragma once

#include "host/components/recording.h"

namespace qor::host {

// "QOREBSBase.SystemProfile": GetProfile(props, category, key) -> t_SystemProfile.FValue,
// empty when the option is not there.
class SystemProfileComponent : public RecordingComponent {
public:
    explicit SystemProfileComponent(ServiceContextPtr context);
};

// "QOREBCGL.SystemProfile": GetSystemProfile(category, key [, default]) -> the option's text
// (default, else empty, when absent); Refresh() -> True (options are read live, so there is
// nothing to reload).
class GLSystemProfileComponent : public RecordingComponent {
public:
    explicit GLSystemProfileComponent(ServiceContextPtr context);
};

// "QOREBCGLView.GLData": SystemProfile() -> a "QOREBCGL.SystemProfile" object;
// GetAuthItemClassList() -> the item classes the user is authorised for (a tunable answer).
class GLDataComponent : public RecordingComponent {
public:
    explicit GLDataComponent(ServiceContextPtr context);
};

// "QOREBCGLView.GLView": ItemSelect(items, title, ..., preselection "id,id") -> a collection
// with "CheckItems" (the chosen items by id, each with FItemID, FNumber, FName, ShowName),
// "CheckPoints" (the chosen ids joined by ",") and "ShowName" (their names joined by ",");
// the user's choice is the tunable answer of the next selection, else the preselection stands.
class GLViewComponent : public RecordingComponent {
public:
    explicit GLViewComponent(ServiceContextPtr context);
};

// "QOREBSBase.SecurityInfo": AccessCheck(props, objectType, objectID, access, flag, caller) ->
// False when t_AccessRight denies the user (or every user, FUserID 0) an access bit asked
// for, True otherwise; NeedAutorized(props) -> the tunable data-authorisation switch.
class SecurityInfoComponent : public RecordingComponent {
public:
    explicit SecurityInfoComponent(ServiceContextPtr context);
};

// "QORMProfile.ClassUserProfileInfo": GetUserProfile(props, section, key) -> the user's
// ICClassUserProfile.FValue, "" when unset.
class UserProfileInfoComponent : public RecordingComponent {
public:
    explicit UserProfileInfoComponent(ServiceContextPtr context);
};

// "QORMProfile.ClassUserProfileUpdate": SaveUserProfile(props, section, key, value) replaces
// the user's item; True.
class UserProfileUpdateComponent : public RecordingComponent {
public:
    explicit UserProfileUpdateComponent(ServiceContextPtr context);
};

// Writes a system option (t_SystemProfile), replacing the row of that category and key.
void WriteSystemProfile(ServiceContext& ctx, const std::string& category, const std::string& key,
                        const std::string& value);
// Writes a per-user option of the host's login user.
void WriteUserProfile(ServiceContext& ctx, int userId, const std::string& section,
                      const std::string& key, const std::string& value);
// Denies a right to a user (0 = every user) in t_AccessRight.
void DenyAccessRight(ServiceContext& ctx, int userId, int objectType, int objectID, int access);

}  // namespace qor::host
