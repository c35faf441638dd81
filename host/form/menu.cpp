#include "host/form/menu.h"

#include <algorithm>

namespace qor::host::form {

bool MenuBand::Contains(const std::string& key) const {
    return key != kSeparator && std::any_of(items_.begin(), items_.end(),
                                            [&](const std::string& k) { return IEquals(k, key); });
}

std::vector<std::string> MenuBand::ToolKeys() const {
    std::vector<std::string> keys;
    for (const auto& k : items_)
        if (k != kSeparator) keys.push_back(k);
    return keys;
}

std::vector<std::string>::iterator MenuBand::Place(const std::string& beforeKey, int position) {
    if (!beforeKey.empty()) {
        auto before = std::find_if(items_.begin(), items_.end(), [&](const std::string& k) {
            return k != kSeparator && IEquals(k, beforeKey);
        });
        if (before != items_.end()) return before;
    }
    int tools = 0;
    for (auto it = items_.begin(); it != items_.end(); ++it)
        if (*it != kSeparator && ++tools == position) return it;
    return items_.end();
}

bool MenuBand::AddTool(const MenuToolPtr& tool, const std::string& beforeKey, int position) {
    if (!tool) return false;
    std::string key = tool->Name();
    if (key == kSeparator || Contains(key)) return false;
    if (bar_) bar_->Adopt(tool);
    items_.insert(Place(beforeKey, position), key);
    return true;
}

bool MenuBand::AddSeparator(const std::string& beforeKey, int position) {
    items_.insert(Place(beforeKey, position), kSeparator);
    return true;
}

bool MenuBand::RemoveTool(const std::string& key) {
    auto it = std::find_if(items_.begin(), items_.end(), [&](const std::string& k) {
        return k != kSeparator && IEquals(k, key);
    });
    if (it == items_.end()) return false;
    items_.erase(it);
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
