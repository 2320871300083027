// Windows' settings in the per-user registry: the store's value kinds, which controls take part,
// the per-class rules and the window values.
#include "controls/level_meter.h"
#include "meters/form_utils.h"
#include "meters_test_env.h"
#include "toolkit/check_box.h"
#include "toolkit/combo_box.h"
#include "toolkit/edit.h"
#include "toolkit/page_control.h"
#include "toolkit/panel.h"
#include "toolkit/peer.h"
#include "toolkit/registry_ini_file.h"
#include "toolkit/speed_button.h"

using namespace meters;
using namespace toolkit;
using meters_test::Owned;

namespace {

constexpr const char* kKey = "software\\Kelvra\\test.ini";

DWORD typeOf(const std::string& section, const std::string& name) {
    HKEY key = nullptr;
    std::string path = std::string(kKey) + "\\" + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return REG_NONE;
    }
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
        type = REG_NONE;
    }
    RegCloseKey(key);
    return type;
}

class SettingsForm : public TForm {
public:
    explicit SettingsForm(TComponent* owner) : TForm(owner) {}
    TCheckBox* chkA = nullptr;
    TCheckBox* chkB = nullptr;
    TPanel* pnA = nullptr;
    controls::TLevelMeter* meter = nullptr;
    TEdit* edA = nullptr;
    TComboBox* cbA = nullptr;
    TSpeedButton* sbA = nullptr;
    int clicksA = 0;
    int speedClicks = 0;

protected:
    void Describe() override {
        SetCaption("Settings test");
        SetBounds(10, 20, 300, 200);
        chkA = make<TCheckBox>("chkA", -1);
        chkA->OnClick = [this](TObject*) { ++clicksA; };
        chkB = make<TCheckBox>("chkB", 3);
        pnA = make<TPanel>("pnA", -1);
        meter = make<controls::TLevelMeter>("meter", -1);
        edA = make<TEdit>("edA", 1);
        cbA = make<TComboBox>("cbA", -1);
        cbA->Items().Add("a");
        cbA->Items().Add("b");
        sbA = make<TSpeedButton>("sbA", -1);
        sbA->SetGroupIndex(1);
        sbA->SetAllowAllUp(true);
        sbA->OnClick = [this](TObject*) { ++speedClicks; };
        auto* unnamed = new TCheckBox(this);
        unnamed->SetParent(this);
        unnamed->SetTag(-1);
    }

private:
    template <typename C> C* make(const char* name, int tag) {
        auto* c = new C(this);
        c->SetName(name);
        c->SetTag(tag);
        c->SetParent(this);
        return c;
    }
};

using FormSettingsTest = meters_test::MetersTest;

TEST_F(FormSettingsTest, TheStoreKeepsEachKindAsItWasWritten) {
    TRegistryIniFile ini(kKey);
    ASSERT_TRUE(ini.IsOpen());
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_EQ(ini.ReadInteger("S", "n", 42), 42);
    EXPECT_EQ(ini.ReadString("S", "s", "dflt"), "dflt");
    EXPECT_TRUE(ini.ReadBool("S", "b", true));

    ini.WriteInteger("S", "n", -5);
    EXPECT_TRUE(ini.SectionExists("S"));
    EXPECT_EQ(typeOf("S", "n"), REG_DWORD);
    EXPECT_EQ(ini.ReadInteger("S", "n", 0), -5);
    ini.WriteBool("S", "b", false);
    EXPECT_EQ(typeOf("S", "b"), REG_SZ);
    EXPECT_EQ(ini.ReadString("S", "b", ""), "0");
    EXPECT_FALSE(ini.ReadBool("S", "b", true));
    ini.WriteBool("S", "b", true);
    EXPECT_EQ(ini.ReadString("S", "b", ""), "1");

    // An integer that exists as text stays text.
    ini.WriteString("S", "t", "17");
    EXPECT_EQ(ini.ReadInteger("S", "t", 0), 17);
    ini.WriteInteger("S", "t", 23);
    EXPECT_EQ(typeOf("S", "t"), REG_SZ);
    EXPECT_EQ(ini.ReadString("S", "t", ""), "23");

    // Text that is no number, and a DWORD asked for as text, read as the default.
    ini.WriteString("S", "x", "zwölf");
    EXPECT_EQ(ini.ReadInteger("S", "x", 9), 9);
    EXPECT_EQ(ini.ReadString("S", "x", ""), "zwölf");
    EXPECT_EQ(ini.ReadString("S", "n", "none"), "none");
}

TEST_F(FormSettingsTest, AStoreThatCannotBeOpenedGivesDefaultsAndKeepsNothing) {
    ::setenv("ORVANE_REGISTRY", "/proc/no-such-folder/registry.db", 1);
    platform::registryCloseStore();
    testing::internal::CaptureStderr();
    {
        TRegistryIniFile ini(kKey);
        EXPECT_FALSE(ini.IsOpen());
        ini.WriteInteger("S", "n", 5);
        EXPECT_EQ(ini.ReadInteger("S", "n", 7), 7);
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("software\\Kelvra\\test.ini"), std::string::npos) << err;
}

TEST_F(FormSettingsTest, TagMaskMinusOneKeepsOnlyControlsTaggedMinusOne) {
    {
        Owned<SettingsForm> form(TCustomForm::Create<SettingsForm>(nullptr));
        form->chkA->SetChecked(true);
        form->chkB->SetChecked(true);
        form->pnA->SetVisible(false);
        form->meter->SetVisible(false);
        form->edA->SetText("typed");
        form->cbA->SetItemIndex(1);
        form->sbA->SetDown(true);
        form->SetShowHint(true);
        SaveFormSettings(form.get(), "test.ini", "", -1, true);
    }
    TRegistryIniFile ini(kKey);
    const std::string section = "Settings test";
    EXPECT_EQ(ini.ReadString(section, "chkA", ""), "1");
    EXPECT_EQ(ini.ReadString(section, "pnA", ""), "0");
    EXPECT_EQ(ini.ReadString(section, "meter", ""), "0"); // a level meter counts as a panel
    EXPECT_EQ(ini.ReadInteger(section, "cbA", -9), 1);
    EXPECT_EQ(ini.ReadString(section, "sbA", ""), "1");
    EXPECT_FALSE(ini.ValueExists(section, "chkB"));
    EXPECT_FALSE(ini.ValueExists(section, "edA"));
    EXPECT_EQ(ini.ReadInteger(section, "Hints", 0), 1);
    EXPECT_EQ(ini.ReadInteger(section, "Width", 0), 300);

    Owned<SettingsForm> form(TCustomForm::Create<SettingsForm>(nullptr));
    LoadFormSettings(form.get(), "test.ini", "", -1, true);
    EXPECT_TRUE(form->chkA->Checked());
    EXPECT_EQ(form->clicksA, 1);
    EXPECT_FALSE(form->chkB->Checked());
    EXPECT_FALSE(form->pnA->Visible());
    EXPECT_FALSE(form->meter->Visible());
    EXPECT_EQ(form->edA->Text(), "");
    EXPECT_EQ(form->cbA->ItemIndex(), 1);
    EXPECT_TRUE(form->sbA->Down());
    EXPECT_EQ(form->speedClicks, 1);
    EXPECT_TRUE(form->ShowHint());
    // A box restored to the state it has runs no handler; a speed button's runs every time.
    LoadFormSettings(form.get(), "test.ini", "", -1, true);
    EXPECT_EQ(form->clicksA, 1);
    EXPECT_EQ(form->speedClicks, 2);
}

TEST_F(FormSettingsTest, TagMaskZeroKeepsEveryNamedControl) {
    {
        Owned<SettingsForm> form(TCustomForm::Create<SettingsForm>(nullptr));
        form->chkB->SetChecked(true);
        form->edA->SetText("typed");
        SaveFormSettings(form.get(), "test.ini", "-x", 0, false);
    }
    TRegistryIniFile ini(kKey);
    EXPECT_EQ(ini.ReadString("Settings test-x", "chkB", ""), "1");
    EXPECT_EQ(ini.ReadString("Settings test-x", "edA", ""), "typed");
    EXPECT_FALSE(ini.ValueExists("Settings test-x", "Top"));
    Owned<SettingsForm> form(TCustomForm::Create<SettingsForm>(nullptr));
    LoadFormSettings(form.get(), "test.ini", "-x", 0, false);
    EXPECT_TRUE(form->chkB->Checked());
    EXPECT_EQ(form->edA->Text(), "typed");
    // A mask of several bits needs all of them.
    EXPECT_TRUE(TakesPart(form->chkB, 3));
    EXPECT_FALSE(TakesPart(form->edA, 3));
    EXPECT_TRUE(TakesPart(form->chkA, 3));
}

TEST_F(FormSettingsTest, AFirstRunLeavesTheDesignAndCreatesTheKey) {
    Owned<SettingsForm> form(TCustomForm::Create<SettingsForm>(nullptr));
    LoadFormSettings(form.get(), "test.ini", "", -1, true);
    EXPECT_EQ(form->BoundsRect(), Bounds(10, 20, 300, 200));
    EXPECT_FALSE(form->chkA->Checked());
    EXPECT_EQ(form->clicksA, 0);
    EXPECT_EQ(form->cbA->ItemIndex(), -1);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(FormSettingsTest, PageControlsKeepTheActivePageIndex) {
    auto* form = TCustomForm::Create<TForm>(nullptr);
    Owned<TForm> owned(form);
    form->SetCaption("Pages");
    auto* pages = new TPageControl(form);
    pages->SetName("pgMain");
    pages->SetParent(form);
    for (int i = 0; i < 3; ++i) {
        auto* sheet = new TTabSheet(form);
        sheet->SetPageControl(pages);
    }
    pages->SetActivePageIndex(2);
    TRegistryIniFile ini(kKey);
    SaveFormState(form, ini, "", 0, false);
    EXPECT_EQ(ini.ReadInteger("Pages", "pgMain", -1), 2);
    pages->SetActivePageIndex(0);
    LoadFormState(form, ini, "", 0, false);
    EXPECT_EQ(pages->ActivePageIndex(), 2);
    EXPECT_EQ(PageIndexOf(pages, PageByIndex(pages, 1)), 1);
    // An index outside the pages fails the load; no active page ends the save silently.
    ini.WriteInteger("Pages", "pgMain", 7);
    EXPECT_THROW(LoadFormState(form, ini, "", 0, false), EListError);
    pages->SetActivePage(nullptr);
    EXPECT_THROW(SaveFormState(form, ini, "", 0, true), EAbort);
    EXPECT_FALSE(ini.ValueExists("Pages", "Top"));
}

TEST_F(FormSettingsTest, AWindowStoredOffEveryScreenComesBackOntoTheNearest) {
    std::vector<TRect> screens{Bounds(0, 0, 1280, 800), Bounds(1280, 0, 1024, 768)};
    // Partly visible stays where it is; wholly outside comes in as far as it fits.
    EXPECT_EQ(PlaceOnScreens(Bounds(-200, -10, 330, 258), screens), (TPoint{-200, -10}));
    EXPECT_EQ(PlaceOnScreens(Bounds(3000, 100, 330, 258), screens), (TPoint{1974, 100}));
    EXPECT_EQ(PlaceOnScreens(Bounds(-900, 900, 330, 258), screens), (TPoint{0, 542}));
    EXPECT_EQ(PlaceOnScreens(Bounds(1600, 1000, 330, 258), screens), (TPoint{1600, 510}));
    // Wider than the screen: the left edge (with the caption's start) on it.
    EXPECT_EQ(PlaceOnScreens(Bounds(5000, 0, 3000, 258), screens), (TPoint{1280, 0}));

    {
        TRegistryIniFile ini(kKey);
        ini.WriteInteger("Settings test", "Left", 30000);
        ini.WriteInteger("Settings test", "Top", -30000);
    }
    Owned<SettingsForm> form(TCustomForm::Create<SettingsForm>(nullptr));
    LoadFormSettings(form.get(), "test.ini", "", -1, true);
    TRect screen = GetWindowingBackend()->screenRect();
    EXPECT_EQ(form->Left(), screen.Right - 300);
    EXPECT_EQ(form->Top(), screen.Top);
}

TEST_F(FormSettingsTest, CloseAndFreeClosesEmptiesTheVariableAndFreesWhenMessagesAreHandled) {
    auto* form = TCustomForm::Create<SettingsForm>(nullptr);
    int closes = 0;
    form->OnClose = [&closes](TObject*, TCloseAction&) { ++closes; };
    bool freed = false;
    form->OnDestroy = [&freed](TObject*) { freed = true; };
    CloseAndFree(form);
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(freed); // released, not yet freed
    Application->ProcessMessages();
    EXPECT_TRUE(freed);
    CloseAndFree(form); // empty: nothing happens

    // Closed and released from inside its own show (by a message handled there): freed once
    // the show has returned, not under it.
    auto* shown = TCustomForm::Create<SettingsForm>(nullptr);
    bool shownFreed = false;
    bool freedInShow = false;
    bool inShow = false;
    shown->OnDestroy = [&](TObject*) {
        shownFreed = true;
        freedInShow = inShow;
    };
    shown->OnShow = [&](TObject*) {
        inShow = true;
        TCustomForm* variable = shown;
        CloseAndFree(variable);
        Application->ProcessMessages();
        inShow = false;
    };
    shown->Show();
    EXPECT_FALSE(shown->Visible());
    Application->ProcessMessages();
    EXPECT_TRUE(shownFreed);
    EXPECT_FALSE(freedInShow);

    Owned<SettingsForm> top(TCustomForm::Create<SettingsForm>(nullptr));
    StayOnTop(top.get(), true);
    EXPECT_TRUE(top->HandleAllocated());
    EXPECT_TRUE(top->IsTopmost());
    StayOnTop(top.get(), false);
    EXPECT_FALSE(top->IsTopmost());
}

} // namespace
