#include "frame/login.h"

#include <array>
#include <string_view>

#include "frame/errors.h"
#include "frame/platform.h"

namespace qor {

namespace {

// The login properties the login cache answers when the process logged in from outside.
constexpr std::array<std::string_view, 14> kSessionKeys{
    "UserName", "UserID", "PropsString", "LogStatus",   "AcctName", "AcctType", "Setuptype",
    "AcctID",   "SubID",  "AcctClosed",  "MachineName", "IP",       "UUID",     "QORLogin"};

struct LoginState {
    CollectionPtr parsed = Collection::Make();
    std::string parsedFrom;
    ObjectPtr glData;
    ObjectPtr glSystemProfile;
    bool needAuthorizeAsked = false;
};

LoginState& State() {
    static LoginState state;
    return state;
}

// Splits at the first delimiter: the part before it is returned, the part after it remains;
// without the delimiter the whole text is returned and nothing remains.
std::string SplitFirst(std::string& rest, char delimiter) {
    auto at = rest.find(delimiter);
    if (at == std::string::npos) {
        std::string head = std::move(rest);
        rest.clear();
        return head;
    }
    std::string head = rest.substr(0, at);
    rest.erase(0, at + 1);
    return head;
}

std::string NextKey(std::string& rest) {
    return Trim(SplitFirst(rest, '='));
}

// A value wrapped in braces may hold ";": it ends at the first "}", and the text up to and
// including the next ";" is dropped.
std::string NextValue(std::string& rest) {
    rest = Trim(rest);
    if (!rest.empty() && rest.front() == '{') {
        rest.erase(0, 1);
        std::string value = SplitFirst(rest, '}');
        SplitFirst(rest, ';');
        return Trim(value);
    }
    return Trim(SplitFirst(rest, ';'));
}

CollectionPtr ProcessDictionary() {
    auto prop = Platform().DesktopWindowProperty(std::to_string(Platform().ProcessId()));
    return std::dynamic_pointer_cast<Collection>(prop);
}

Value AskNeedAuthorized() {
    auto security = CreateHostObject<IComponent>("QOREBSBase.SecurityInfo");
    return security->Call("NeedAutorized", {GetPropsString()});
}

}  // namespace

Value GetSessionProperty(const std::string& key) {
    Value result;
    uint32_t pid = 0;
    try {
        pid = Platform().ProcessId();
    } catch (...) {
    }
    int64_t outerLogin = 0;
    try {
        auto cache = CreateHostObject<IComponent>("QORMtsCacheService.CacheFacade");
        outerLogin = ToId(cache->Call("GetItem", {pid, "IsOuterLogin"}));
    } catch (...) {
    }
    try {
        if (outerLogin == 1) {
            bool known = false;
            for (auto k : kSessionKeys) known = known || IEquals(k, key);
            if (known) {
                auto cache = CreateHostObject<IComponent>("QORMtsCacheService.CacheFacade");
                result = cache->Call("GetItem", {pid, key});
            }
        } else if (outerLogin == 0) {
            auto props = CreateHostObject<IComponent>("QORPropsMgr.ShareProps");
            result = props->Call("GetProperty", {pid, key});
        }
    } catch (...) {
    }
    return result;
}

std::string GetPropsString() {
    return GetSessionProperty("PropsString").ToString();
}

std::string GetSharePropsString() {
    try {
        auto props = CreateHostObject<IComponent>("QORPropsMgr.ShareProps");
        return props->Call("GetProperty", {Platform().ProcessId(), "PropsString"}).ToString();
    } catch (...) {
        return "";
    }
}

bool ParsePropsString(const std::string& text) {
    auto& state = State();
    state.parsedFrom = text;
    state.parsed = Collection::Make();
    std::string rest = text;
    for (;;) {
        std::string key = NextKey(rest);
        if (key.empty()) break;
        std::string value = NextValue(rest);
        state.parsed->Add(key, value);  // a key seen twice raises KeyError
    }
    return true;
}

std::string GetPropsItem(const std::string& key) {
    return State().parsed->Item(key).ToString();
}

std::string GetConnectString() {
    return GetPropsItem("ConnectString");
}

int16_t GetPropsUserID() {
    return ToInt16(Value(GetPropsItem("UserID")));
}

const std::string& ParsedPropsString() {
    return State().parsedFrom;
}

Value GetProcessCacheValue(const std::string& key, const Value& fallback) {
    CollectionPtr dict;
    try {
        dict = ProcessDictionary();
    } catch (...) {
    }
    if (!dict || !dict->Exists(key)) return fallback;
    return dict->Item(key);
}

void SetProcessCacheValue(const std::string& key, const Value& value) {
    auto dict = ProcessDictionary();
    if (!dict) throw HostError("ProcessCache", "the host has published no process dictionary");
    dict->Set(key, value);
}

namespace {
int CacheInt(const std::string& key, int fallback) {
    try {
        return ToId(GetProcessCacheValue(key, fallback));
    } catch (...) {
        return fallback;
    }
}
}  // namespace

int GetAppType() {
    return CacheInt("AppType", 2);
}
int GetIndustryType() {
    return CacheInt("IndustryType", 0);
}
bool IsInitClosed() {
    return GetProcessCacheValue("InitClosed", true).ToBool();
}
bool IsIndustryEdition() {
    return GetIndustryType() == 1;
}

ObjectPtr GetGLDataObject() {
    auto& state = State();
    if (!state.glData) {
        try {
            state.glData = CreateHostObjectRaw("QOREBCGLView.GLData");
        } catch (...) {
        }
    }
    return state.glData;
}

ObjectPtr GetGLSystemProfile() {
    auto& state = State();
    if (!state.glSystemProfile) {
        try {
            if (auto gl = std::dynamic_pointer_cast<IComponent>(GetGLDataObject()))
                state.glSystemProfile = gl->Call("SystemProfile", {}).object();
        } catch (...) {
        }
    }
    return state.glSystemProfile;
}

std::string GetAuthItemClassList() {
    Value list = GetProcessCacheValue("AuthrizeItemClassList");
    if (list.IsBlank()) {
        try {
            if (auto gl = std::dynamic_pointer_cast<IComponent>(GetGLDataObject())) {
                list = gl->Call("GetAuthItemClassList", {});
                SetProcessCacheValue("AuthrizeItemClassList", list);
            }
        } catch (...) {
        }
    }
    return list.ToString();
}

bool NeedAuthorize() {
    auto& state = State();
    // Stores the answer where the host published a dictionary; without one every call asks.
    auto store = [](const Value& v) {
        try {
            SetProcessCacheValue("NeedAuthrize", v);
        } catch (...) {
        }
    };
    try {
        if (!state.needAuthorizeAsked) {
            state.needAuthorizeAsked = true;
            store(AskNeedAuthorized());
        }
        Value v = GetProcessCacheValue("NeedAuthrize");
        if (v.IsBlank()) {
            v = AskNeedAuthorized();
            store(v);
        }
        return v.ToBool();
    } catch (...) {
        return false;
    }
}

void ResetLoginState() {
    State() = LoginState{};
}

}  // namespace qor
