#include "host/components/profiles.h"

#include "host/sql/literals.h"

namespace qor::host {

namespace {

Value ReadOption(ServiceContext& ctx, const std::string& props, const std::string& category,
                 const std::string& key) {
    return ctx.Scalar(props, "Select FValue From t_SystemProfile Where FCategory=" +
                                 SqlText(category) + " And FKey=" + SqlText(key));
}

// "12,15" -> {12, 15}; anything that is no identifier list gives nothing.
std::vector<int> IdList(const std::string& text) {
    std::vector<int> ids;
    std::string rest = text;
    while (!rest.empty()) {
        auto comma = rest.find(',');
        std::string part = Trim(rest.substr(0, comma));
        rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
        if (part.empty()) continue;
        if (part.find_first_not_of("0123456789") != std::string::npos) return {};
        try {
            ids.push_back(ToId(Value(part)));
        } catch (...) {
            return {};
        }
    }
    return ids;
}

std::string JoinIds(const std::vector<int>& ids) {
    std::string text;
    for (int id : ids) text += (text.empty() ? "" : ",") + std::to_string(id);
    return text;
}

}  // namespace

void WriteSystemProfile(ServiceContext& ctx, const std::string& category, const std::string& key,
                        const std::string& value) {
    const std::string& props = ctx.LoginProps();
    ctx.Exec(props, "Delete From t_SystemProfile Where FCategory=" + SqlText(category) +
                        " And FKey=" + SqlText(key));
    ctx.Exec(props, "Insert Into t_SystemProfile (FCategory,FKey,FValue) Values (" +
                        SqlText(category) + "," + SqlText(key) + "," + SqlText(value) + ")");
}

void WriteUserProfile(ServiceContext& ctx, int userId, const std::string& section,
                      const std::string& key, const std::string& value) {
    const std::string& props = ctx.LoginProps();
    std::string user = std::to_string(userId);
    ctx.Exec(props, "Delete From ICClassUserProfile Where FUserID=" + user +
                        " And FSection=" + SqlText(section) + " And FKey=" + SqlText(key));
    ctx.Exec(props, "Insert Into ICClassUserProfile (FUserID,FSection,FKey,FValue) Values (" +
                        user + "," + SqlText(section) + "," + SqlText(key) + "," + SqlText(value) +
                        ")");
}

void DenyAccessRight(ServiceContext& ctx, int userId, int objectType, int objectID, int access) {
    std::string where = " Where FObjectType=" + std::to_string(objectType) +
                        " And FObjectID=" + std::to_string(objectID) +
                        " And FAccess=" + std::to_string(access) +
                        " And FUserID=" + std::to_string(userId);
    ctx.Exec(ctx.LoginProps(), "Delete From t_AccessRight" + where);
    ctx.Exec(ctx.LoginProps(),
             "Insert Into t_AccessRight (FObjectType,FObjectID,FAccess,FUserID,FDenied) Values (" +
                 std::to_string(objectType) + "," + std::to_string(objectID) + "," +
                 std::to_string(access) + "," + std::to_string(userId) + ",1)");
}

SystemProfileComponent::SystemProfileComponent(ServiceContextPtr context)
    : RecordingComponent("QOREBSBase.SystemProfile", std::move(context)) {
    On("GetProfile", [this](Args& args) {
        CallArgs a(args, ctx(), 0);
        return ReadOption(ctx(), a.props(), a[0].ToString(), a[1].ToString());
    });
}

GLSystemProfileComponent::GLSystemProfileComponent(ServiceContextPtr context)
    : RecordingComponent("QOREBCGL.SystemProfile", std::move(context)) {
    On("GetSystemProfile", [this](Args& args) {
        CallArgs a(args, ctx());
        Value v = ReadOption(ctx(), a.props(), a[0].ToString(), a[1].ToString());
        return v.IsBlank() ? a[2] : Value(v.ToString());
    });
    On("Refresh", [](Args&) { return Value(true); });
}

GLDataComponent::GLDataComponent(ServiceContextPtr context)
    : RecordingComponent("QOREBCGLView.GLData", std::move(context)) {
    On("SystemProfile",
       [this](Args&) { return Value(std::make_shared<GLSystemProfileComponent>(ctx_)); });
    On("GetAuthItemClassList", [this](Args&) { return Value(ctx().answers().authItemClassList); });
}

GLViewComponent::GLViewComponent(ServiceContextPtr context)
    : RecordingComponent("QOREBCGLView.GLView", std::move(context)) {
    On("ItemSelect", [this](Args& args) {
        CallArgs a(args, ctx());
        std::vector<int> chosen;
        if (ctx().answers().hasItemSelection) {
            chosen = ctx().answers().itemSelection;
            ctx().answers().hasItemSelection = false;  // the user's choice of this tree only
        } else {
            // The preselection: the last text argument that is a list of identifiers.
            for (size_t i = 0; i < a.size(); ++i)
                if (a[i].IsText() && !a[i].AsText().empty() && !IdList(a[i].AsText()).empty())
                    chosen = IdList(a[i].AsText());
        }
        auto items = Collection::Make();
        std::string names;
        if (!chosen.empty()) {
            auto rs = ctx().Query(a.props(),
                                  "Select FItemID,FNumber,FName From t_Item Where "
                                  "FItemID In (" +
                                      JoinIds(chosen) + ")");
            for (int id : chosen) {
                rs->MoveFirst();
                while (!rs->IsEOF() && ToId(rs->Field("FItemID")) != id) rs->MoveNext();
                if (rs->IsEOF()) continue;
                std::string number = rs->Field("FNumber").ToString();
                std::string name = rs->Field("FName").ToString();
                items->Set(std::to_string(id),
                           Collection::Make({{"FItemID", id},
                                             {"FNumber", number},
                                             {"FName", name},
                                             {"ShowName", number + "-" + name}}));
                names += (names.empty() ? "" : ",") + name;
            }
        }
        std::vector<int> kept;
        for (const auto& [k, v] : *items) kept.push_back(ToId(Value(k)));
        return Value(Collection::Make(
            {{"CheckItems", items}, {"CheckPoints", JoinIds(kept)}, {"ShowName", names}}));
    });
}

SecurityInfoComponent::SecurityInfoComponent(ServiceContextPtr context)
    : RecordingComponent("QOREBSBase.SecurityInfo", std::move(context)) {
    On("AccessCheck", [this](Args& args) {
        CallArgs a(args, ctx(), 0);
        int64_t access = ToId(a[2]);
        auto rs = ctx().Query(a.props(), "Select FAccess From t_AccessRight Where FObjectType=" +
                                             SqlInt(a[0]) + " And FObjectID=" + SqlInt(a[1]) +
                                             " And FDenied=1 And (FUserID=0 Or FUserID=" +
                                             std::to_string(ctx().UserIdOf(a.props())) + ")");
        for (; !rs->IsEOF(); rs->MoveNext())
            if ((ToId(rs->Field(0)) & access) != 0) return Value(false);
        return Value(true);
    });
    On("NeedAutorized", [this](Args&) { return Value(ctx().answers().needAuthorized); });
}

UserProfileInfoComponent::UserProfileInfoComponent(ServiceContextPtr context)
    : RecordingComponent("QORMProfile.ClassUserProfileInfo", std::move(context)) {
    On("GetUserProfile", [this](Args& args) {
        CallArgs a(args, ctx(), 0);
        Value v = ctx().Scalar(a.props(), "Select FValue From ICClassUserProfile Where FUserID=" +
                                              std::to_string(ctx().UserIdOf(a.props())) +
                                              " And FSection=" + SqlText(a[0].ToString()) +
                                              " And FKey=" + SqlText(a[1].ToString()));
        return Value(v.ToString());
    });
}

UserProfileUpdateComponent::UserProfileUpdateComponent(ServiceContextPtr context)
    : RecordingComponent("QORMProfile.ClassUserProfileUpdate", std::move(context)) {
    On("SaveUserProfile", [this](Args& args) {
        CallArgs a(args, ctx(), 0);
        int user = ctx().UserIdOf(a.props());
        std::string where = " Where FUserID=" + std::to_string(user) +
                            " And FSection=" + SqlText(a[0].ToString()) +
                            " And FKey=" + SqlText(a[1].ToString());
        // The old value goes and the new one comes in one step: a failure keeps the old one.
        ctx().Atomically(a.props(), [&] {
            ctx().Exec(a.props(), "Delete From ICClassUserProfile" + where);
            ctx().Exec(a.props(),
                       "Insert Into ICClassUserProfile (FUserID,FSection,FKey,FValue) "
                       "Values (" +
                           std::to_string(user) + "," + SqlText(a[0].ToString()) + "," +
                           SqlText(a[1].ToString()) + "," + SqlText(a[2].ToString()) + ")");
        });
        return Value(true);
    });
}

}  // namespace qor::host
