// The login: the login properties string every host component call takes first, the items
// inside it, the host's login cache and shared properties, and the per-process cache the host
// publishes for all components of the process. Nothing here writes to the database.
#pragma once

#include <cstdint>
#include <string>

#include "frame/collection.h"
#include "frame/value.h"

namespace qor {

// A login property ("UserName", "UserID", "PropsString", ...): from the login cache when the
// process logged in from outside, else from the shared properties. Empty for other keys and
// when the host cannot answer.
Value GetSessionProperty(const std::string& key);
std::string GetPropsString();
// The string "QORPropsMgr.ShareProps" holds for this process.
std::string GetSharePropsString();

// Parses "key=value;key={value;with;semicolons};..." into the library-wide collection
// (replacing what it held). A key seen twice raises KeyError. Returns true.
bool ParsePropsString(const std::string& text);
// The value of key in the parsed collection; KeyError when the key is missing.
std::string GetPropsItem(const std::string& key);
std::string GetConnectString();
// "UserID" as a 16-bit integer; ConversionError when it does not fit.
int16_t GetPropsUserID();
// The string last parsed.
const std::string& ParsedPropsString();

// The per-process cache: the value under key, else fallback, else empty.
Value GetProcessCacheValue(const std::string& key, const Value& fallback = Value());
// Stores a value in the host's dictionary; HostError when the host published none.
void SetProcessCacheValue(const std::string& key, const Value& value);

int GetAppType();       // "AppType", default 2
int GetIndustryType();  // "IndustryType", default 0; 1 is the industry edition
bool IsInitClosed();    // "InitClosed", default true
bool IsIndustryEdition();
std::string GetAuthItemClassList();
bool NeedAuthorize();

// The general-ledger data object "QOREBCGLView.GLData" and its SystemProfile object, created
// on first use and kept for the life of the library. Null when the host cannot create them.
ObjectPtr GetGLDataObject();
ObjectPtr GetGLSystemProfile();

// Forgets the library-wide login state (the parsed collection, the cached objects and the
// first-call flag of NeedAuthorize). For tests and for a host that logs in again.
void ResetLoginState();

}  // namespace qor
