#include "host/form/menu.h"

#include <algorithm>

namespace qor::host::form {

bool MenuBand::Contains(const std::string& key) const {
    return std::any_of(tools_.begin(), tools_.end(),
                       [&](const std::string& k) { return IEquals(k, key); });
}

bool MenuBand::AddTool(const MenuToolPtr& tool, const std::string& beforeKey, int position) {
    if (!tool) return false;
    std::string key = tool->Name();
    if (Contains(key)) return false;
    if (bar_) bar_->Adopt(tool);
    auto before = std::find_if(tools_.begin(), tools_.end(),
                               [&](const std::string& k) { return IEquals(k, beforeKey); });
    if (!beforeKey.empty() && before != tools_.end()) {
        tools_.insert(before, key);
    } else if (position >= 1 && static_cast<size_t>(position) <= tools_.size()) {
        tools_.insert(tools_.begin() + (position - 1), key);
    } else {
        tools_.push_back(key);
    }
    return true;
}

bool MenuBand::RemoveTool(const std::string& key) {
    auto it = std::find_if(tools_.begin(), tools_.end(),
                           [&](const std::string& k) { return IEquals(k, key); });
    if (it == tools_.end()) return false;
    tools_.erase(it);
    return true;
}

MenuBar::MenuBar(const BillTemplate& t) {
    for (const auto& tt : t.tools) {
        auto tool = CreateTool(tt.key);
        tool->SetCaption(tt.caption);
        tool->SetVisible(tt.visible);
        tool->SetEnabled(tt.enabled);
        tool->SetChecked(tt.checked);
    }
    for (const auto& b : t.bands) {
        auto band = AddBand(b.key);
        for (const auto& k : b.tools) band->AddTool(Tool(k));
    }
}

MenuToolPtr MenuBar::Tool(const std::string& key) const {
    auto it = byKey_.find(Upper(key));
    return it == byKey_.end() ? nullptr : it->second;
}

MenuToolPtr MenuBar::CreateTool(const std::string& key) {
    if (auto existing = Tool(key)) return existing;
    auto tool = std::make_shared<MenuTool>(key);
    tools_.push_back(tool);
    byKey_[Upper(key)] = tool;
    return tool;
}

void MenuBar::Adopt(const MenuToolPtr& tool) {
    if (!tool || Tool(tool->Name())) return;
    tools_.push_back(tool);
    byKey_[Upper(tool->Name())] = tool;
}

MenuBandPtr MenuBar::Band(const std::string& key) const {
    for (const auto& b : bands_)
        if (IEquals(b->Key(), key)) return b;
    return nullptr;
}

MenuBandPtr MenuBar::AddBand(const std::string& key) {
    if (auto b = Band(key)) return b;
    auto band = std::make_shared<MenuBand>(key, this);
    bands_.push_back(band);
    return band;
}

std::vector<MenuToolPtr> MenuBar::AllTools() const {
    return tools_;
}

std::vector<MenuBandPtr> MenuBar::AllBands() const {
    return std::vector<MenuBandPtr>(bands_.begin(), bands_.end());
}

}  // namespace qor::host::form
