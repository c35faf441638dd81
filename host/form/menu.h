// The reference host's menu bar: tools by key, bands that hold tools in order (the menus
// "mnuFile", "mnuEdit", "mnuView", "mnuRelate", "mnuOption", the tool bar "BandToolBar", and the
// sub-item bands keyed by a tool's key) with separator lines between them, and the tools'
// shortcut keys.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/host.h"
#include "host/form/bill_template.h"

namespace qor::host::form {

class MenuTool : public IMenuTool {
public:
    explicit MenuTool(std::string key) : key_(std::move(key)), caption_(key_) {}
    std::string Name() const override { return key_; }
    bool Visible() const override { return visible_; }
    void SetVisible(bool v) override { visible_ = v; }
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool v) override { enabled_ = v; }
    bool Checked() const override { return checked_; }
    void SetChecked(bool v) override { checked_ = v; }
    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& c) override { caption_ = c; }
    std::string Description() const override { return description_; }
    void SetDescription(const std::string& d) override { description_ = d; }
    std::string ToolTipText() const override { return tip_; }
    void SetToolTipText(const std::string& t) override { tip_ = t; }
    void SetPicture(const ObjectPtr& picture, uint32_t maskColor) override {
        picture_ = picture;
        mask_ = maskColor;
    }
    const ObjectPtr& Picture() const { return picture_; }
    uint32_t MaskColor() const { return mask_; }
    std::string Shortcut() const override { return shortcut_; }
    void SetShortcut(const std::string& s) override { shortcut_ = s; }

private:
    std::string key_;
    bool visible_ = true, enabled_ = true, checked_ = false;
    std::string caption_, description_, tip_, shortcut_;
    ObjectPtr picture_;
    uint32_t mask_ = 0;
};

class MenuBar;

class MenuBand : public IMenuBand {
public:
    MenuBand(std::string key, MenuBar* bar) : key_(std::move(key)), bar_(bar) {}
    std::string Key() const override { return key_; }
    std::vector<std::string> ToolKeys() const override;
    bool AddTool(const MenuToolPtr& tool, const std::string& beforeKey = "",
                 int position = 0) override;
    bool RemoveTool(const std::string& key) override;
    bool AddSeparator(const std::string& beforeKey = "", int position = 0) override;
    bool Contains(const std::string& key) const;
    // The band as shown: tool keys, and kSeparator for each separator line.
    const std::vector<std::string>& Layout() const { return items_; }
    static constexpr const char* kSeparator = "-";

private:
    // Where an item goes: before beforeKey when that names a tool of the band, else before
    // the tool at the 1-based position, else at the end.
    std::vector<std::string>::iterator Place(const std::string& beforeKey, int position);
    std::string key_;
    MenuBar* bar_;
    std::vector<std::string> items_;
};

class MenuBar : public IMenuBar {
public:
    MenuBar() = default;
    // The bar of a template: its tools and bands.
    explicit MenuBar(const BillTemplate& t);

    MenuToolPtr Tool(const std::string& key) const override;
    MenuToolPtr CreateTool(const std::string& key) override;
    MenuBandPtr Band(const std::string& key) const override;
    MenuBandPtr AddBand(const std::string& key) override;

    // Every tool, in the order created.
    std::vector<MenuToolPtr> AllTools() const;
    std::vector<MenuBandPtr> AllBands() const;
    // Registers a tool object made elsewhere (AddTool of a tool the bar did not create).
    void Adopt(const MenuToolPtr& tool);

private:
    std::vector<MenuToolPtr> tools_;
    std::map<std::string, MenuToolPtr> byKey_;  // upper-cased key
    std::vector<std::shared_ptr<MenuBand>> bands_;
};

}  // namespace qor::host::form
