// The configuration window's table against the form and against the dialog
// templates: a control missing from either side would be dead at run time.
#include "app/MainForm.h"
#include "app/settings/SettingsSchema.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "platform/sim/SimWindows.h"

namespace {

std::string ReadSource(const std::string& path) {
    std::ifstream in(std::string(VELANT_SOURCE_DIR) + "/" + path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Whether the visitor meets a kind the view can show.
class ShownKind : public TControlVisitor {
public:
    bool shown = false;
    bool sheet = false;
    void Visit(TCheckBox&) override { shown = true; }
    void Visit(TEdit&) override { shown = true; }
    void Visit(TSpinEdit&) override { shown = true; }
    void Visit(TRadioGroup&) override { shown = true; }
    void Visit(TListBox&) override { shown = true; }
    void Visit(TButton&) override { shown = true; }
    void Visit(TLabel&) override { shown = true; }
    void Visit(TImage&) override { shown = true; }
    void Visit(TShellIcon&) override { shown = true; }
    void Visit(TTabSheet&) override { sheet = true; }
};

class MainFormLayoutTest : public ::testing::Test {
protected:
    MainFormLayoutTest() {
        app.Title = "Velant! Pro 2001";
        form = std::make_unique<TMainForm>(p, app);
        form->Loaded();
    }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::unique_ptr<TMainForm> form;
};

TEST_F(MainFormLayoutTest, EveryRowResolvesAndTheStoredOrderHasNoGaps) {
    const TFormLayout& layout = form->Layout();
    const auto& pages = form->pageControl.Pages;
    std::set<std::pair<TTabSheet*, int>> ids;
    std::vector<int> orders;
    for (const TControlRow& row : layout) {
        const std::string name = row.Component().Name();
        EXPECT_EQ(form->FindComponent(name), &row.Component()) << name << " is not registered";
        ShownKind kind;
        row.Accept(kind);
        if (row.Page()) {
            EXPECT_NE(std::find(pages.begin(), pages.end(), row.Page()), pages.end()) << name;
            EXPECT_TRUE(kind.shown) << name << " is on a page but the view cannot show its kind";
            EXPECT_TRUE(ids.insert({row.Page(), row.Id()}).second) << name << " shares its id";
        } else if (kind.sheet) {
            EXPECT_NE(row.Id(), 0) << name << " has no dialog template";
        }
    }
    // Every value the settings store keeps belongs to a registered component
    // that has the property, and the order of writing has no gaps.
    for (const TSettingRow& row : SettingsSchema()) {
        if (row.where != TStoredIn::Section && row.where != TStoredIn::ListEntry) continue;
        TComponent* component = form->FindComponent(row.name);
        ASSERT_NE(component, nullptr) << row.name << " is not registered";
        EXPECT_TRUE(component->Property(row.property).has_value()) << row.name << "." << row.property;
        orders.push_back(row.order);
    }
    std::sort(orders.begin(), orders.end());
    for (size_t i = 0; i < orders.size(); ++i) ASSERT_EQ(orders[i], static_cast<int>(i));
    // The settings store drops what it cannot resolve: it must have kept everything.
    EXPECT_EQ(form->settingsStore.StoredProps, StoredProperties());
    EXPECT_EQ(form->settingsStore.StoredProps.front(), "lblIcon.Color");
    EXPECT_EQ(form->settingsStore.StoredProps.back(), "ckCheckTrans.Checked");
}

TEST_F(MainFormLayoutTest, EveryTemplateControlHasARowAndEveryRowItsControl) {
    std::map<std::string, int> defines;
    const std::string header = ReadSource("src/app/resources/resource.h");
    const std::regex define(R"(#define (ID[CD]_\w+) (\d+))");
    for (std::sregex_iterator it(header.begin(), header.end(), define), end; it != end; ++it)
        defines[(*it)[1]] = std::stoi((*it)[2]);

    // Each page's template: the ids of its controls.
    std::map<int, std::set<int>> templates;
    const std::string script = ReadSource("src/app/resources/VelantPro.rc");
    const std::regex dialog(R"((IDD_\w+) DIALOGEX[\s\S]*?\nBEGIN\n([\s\S]*?)\nEND)");
    const std::regex control(R"(IDC_\w+)");
    for (std::sregex_iterator it(script.begin(), script.end(), dialog), end; it != end; ++it) {
        const std::string body = (*it)[2];
        auto& ids = templates[defines.at((*it)[1])];
        for (std::sregex_iterator c(body.begin(), body.end(), control); c != end; ++c)
            if (c->str() != "IDC_STATIC") ids.insert(defines.at(c->str()));
    }
    ASSERT_EQ(templates.size(), 5u);

    // The picture over the icon caption's sample has no model: the program sets it.
    const std::set<int> decoration = {defines.at("IDC_ICONPICTURE")};
    std::map<int, std::set<int>> bound;  // template → ids the rows cover
    std::map<const TComponent*, int> templateOf;
    for (const TControlRow& row : form->Layout())
        if (!row.Page() && row.Id()) templateOf[&row.Component()] = row.Id();
    for (const TControlRow& row : form->Layout()) {
        if (!row.Page()) continue;
        const int tpl = templateOf.at(row.Page());
        EXPECT_TRUE(templates[tpl].count(row.Id()))
            << row.Component().Name() << " has no control in its page";
        bound[tpl].insert(row.Id());
        // A radio group's buttons and a spin edit's up-down follow its id.
        for (int part = row.Id() + 1; templates[tpl].count(part) && !bound[tpl].count(part); ++part) {
            if (auto* group = dynamic_cast<TRadioGroup*>(&row.Component());
                group && part - row.Id() <= static_cast<int>(group->Items().size()))
                bound[tpl].insert(part);
            else if (dynamic_cast<TSpinEdit*>(&row.Component()) && part == row.Id() + 1)
                bound[tpl].insert(part);
            else
                break;
        }
    }
    for (const auto& [tpl, ids] : templates)
        for (int id : ids)
            EXPECT_TRUE(bound[tpl].count(id) || decoration.count(id))
                << "control " << id << " of template " << tpl << " has no row";
}

}  // namespace
