// Forms: close actions, modal showing, the creation wrapper and descriptions.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/button.h"
#include "toolkit/check_box.h"
#include "toolkit/message_queue.h"
#include "toolkit/panel.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::MessageBoxLog;
using orv_test::Owned;
using orv_test::pump;
using orv_test::TDescribedForm;

constexpr UINT kDrive = WM_USER + 7;

TEST(CloseAction, HideIsTheDefaultAndNoneRefuses) {
    Owned<TDescribedForm> form(makeForm());
    form->Show();
    ASSERT_TRUE(form->Visible());
    form->Close();
    EXPECT_FALSE(form->Visible());

    form->Show();
    int closes = 0;
    form->OnClose = [&](TObject*, TCloseAction& action) {
        ++closes;
        action = TCloseAction::caNone;
    };
    form->Close();
    EXPECT_TRUE(form->Visible());
    // The window's close box asks the same.
    form->PeerCloseRequest();
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(closes, 2);

    form->OnClose = nullptr;
    form->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
    form->Close();
    EXPECT_TRUE(form->Visible());
}

TEST(CloseAction, FreeFreesTheFormOnceThePendingMessagesAreHandled) {
    for (bool shown : {true, false}) {
        bool destroyed = false;
        auto* form = makeForm();
        form->OnDestroy = [&](TObject*) { destroyed = true; };
        form->OnClose = [](TObject*, TCloseAction& action) { action = TCloseAction::caFree; };
        if (shown) {
            form->Show();
        }
        form->Close();
        EXPECT_FALSE(destroyed) << "freed inside Close (shown " << shown << ")";
        pump();
        EXPECT_TRUE(destroyed) << "not freed (shown " << shown << ")";
    }
}

TEST(CloseAction, ClosingTheMainFormEndsTheApplication) {
    TApplication* saved = Application;
    Application = new TApplication;
    TDescribedForm* main = nullptr;
    TDescribedForm* second = nullptr;
    Application->CreateForm(main, TDescribedForm::Description{});
    Application->CreateForm(second, TDescribedForm::Description{});
    EXPECT_EQ(Application->MainForm(), main);
    second->Show();
    second->Close();
    EXPECT_FALSE(Application->Terminated());
    main->Show();
    main->Close();
    EXPECT_TRUE(Application->Terminated());
    // The application frees the forms it owns.
    bool destroyed = false;
    second->OnDestroy = [&](TObject*) { destroyed = true; };
    Application->Free();
    EXPECT_TRUE(destroyed);
    Application = saved;
}

// A dialog with an OK (default) and a cancel button.
struct Dialog {
    TButton* ok = nullptr;
    TButton* cancel = nullptr;
    TButton* other = nullptr;
    Owned<TDescribedForm> form{makeForm([this](TDescribedForm& f) {
        ok = f.Add<TButton>("btnOk", &f);
        ok->SetModalResult(mrOk);
        ok->SetDefault(true);
        cancel = f.Add<TButton>("btnCancel", &f);
        cancel->SetTop(30);
        cancel->SetModalResult(mrCancel);
        cancel->SetCancel(true);
        other = f.Add<TButton>("btnOther", &f);
        other->SetTop(60);
    })};
    // Runs the action from inside the modal loop, once it is shown.
    void drive(std::function<void()> action) {
        form->SetMessageHandler(kDrive, [action](TMessage&) { action(); });
        form->OnShow = [this](TObject*) { PostMessageA(form->Handle(), kDrive, 0, 0); };
    }
};

TEST(ShowModal, ButtonsEndItWithTheirModalResult) {
    {
        Dialog d;
        d.drive([&] { SimulateClick(d.ok, 10, 10); });
        EXPECT_EQ(d.form->ShowModal(), mrOk);
        EXPECT_FALSE(d.form->Visible());
    }
    {
        Dialog d;
        d.drive([&] { SimulateKey(d.form.get(), VK_RETURN); });
        EXPECT_EQ(d.form->ShowModal(), mrOk);
    }
    {
        Dialog d;
        d.drive([&] { SimulateKey(d.form.get(), VK_ESCAPE); });
        EXPECT_EQ(d.form->ShowModal(), mrCancel);
    }
    {
        // A button without a result clicks without ending; Close ends with mrCancel.
        Dialog d;
        int clicks = 0;
        d.other->OnClick = [&](TObject*) {
            ++clicks;
            d.form->Close();
        };
        d.drive([&] { SimulateClick(d.other, 10, 10); });
        EXPECT_EQ(d.form->ShowModal(), mrCancel);
        EXPECT_EQ(clicks, 1);
    }
}

TEST(ShowModal, ARefusedCloseKeepsItOpenAndAResultSetInOnShowEndsIt) {
    Dialog d;
    int queries = 0;
    d.form->OnCloseQuery = [&](TObject*, bool& canClose) {
        canClose = ++queries > 1;
        if (!canClose) {
            PostMessageA(d.form->Handle(), kDrive, 0, 0);
        }
    };
    d.drive([&] { SimulateClick(queries == 0 ? d.cancel : d.ok, 10, 10); });
    EXPECT_EQ(d.form->ShowModal(), mrOk);
    EXPECT_EQ(queries, 2);

    Dialog quick;
    quick.form->OnShow = [&](TObject*) { quick.form->SetModalResult(mrYes); };
    EXPECT_EQ(quick.form->ShowModal(), mrYes);
    EXPECT_THROW((quick.form->Show(), quick.form->ShowModal()), EInvalidOperation);
}

// A form whose description binds events by name.
class TBoundForm : public TForm {
public:
    TBoundForm(TComponent* owner, std::string bind, std::function<void()> onCreate)
        : TForm(owner), bind_(std::move(bind)), onCreate_(std::move(onCreate)) {
        Publish("FormCreate", this, &TBoundForm::FormCreate);
        Publish("FormClose", this, &TBoundForm::FormClose);
        Publish("chkClick", this, &TBoundForm::chkClick);
    }
    TCheckBox* chk = nullptr;
    int clicks = 0;
    bool created = false;
    void FormCreate(TObject*) {
        created = true;
        if (onCreate_) {
            onCreate_();
        }
    }
    void FormClose(TObject*, TCloseAction&) {}
    void chkClick(TObject*) { ++clicks; }

protected:
    void Describe() override {
        Bind(OnCreate, "FormCreate");
        chk = new TCheckBox(this);
        chk->SetName("chk");
        chk->SetParent(this);
        Bind(chk->OnClick, bind_);
    }

private:
    std::string bind_;
    std::function<void()> onCreate_;
};

TEST(Description, EventsAreBoundByName) {
    Owned<TBoundForm> form(TCustomForm::Create<TBoundForm>(nullptr, "chkClick", nullptr));
    EXPECT_TRUE(form->created);
    form->chk->SetChecked(true);
    EXPECT_EQ(form->clicks, 1);

    // An unknown name, or a method of the wrong kind, fails the creation clearly.
    try {
        TCustomForm::Create<TBoundForm>(nullptr, "chkClik", nullptr);
        FAIL() << "created with an unknown handler";
    } catch (const EComponentError& e) {
        EXPECT_NE(std::string(e.what()).find("chkClik"), std::string::npos) << e.what();
    }
    EXPECT_THROW(TCustomForm::Create<TBoundForm>(nullptr, "FormClose", nullptr), EComponentError);
}

TEST(CreationWrapper, AnErrorInOnCreateIsReportedAndSwallowed) {
    MessageBoxLog log;
    Owned<TBoundForm> form(TCustomForm::Create<TBoundForm>(
        nullptr, "chkClick", [] { throw EConvertError("'44.1' is not a valid integer value"); }));
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].text, "'44.1' is not a valid integer value.");
    EXPECT_EQ(log.boxes[0].style & 0xF0, MB_ICONERROR);
    // The form exists, with its description applied and loaded.
    EXPECT_FALSE(form->IsLoading());
    EXPECT_FALSE(form->chk->IsLoading());

    Owned<TBoundForm> aborted(
        TCustomForm::Create<TBoundForm>(nullptr, "chkClick", [] { Abort(); }));
    EXPECT_EQ(log.boxes.size(), 1u) << "a silent abort showed a box";
    EXPECT_TRUE(aborted->created);
}

// A component that makes a part of its own, as controls do.
class TWithPart : public TComponent {
public:
    explicit TWithPart(TComponent* owner) : TComponent(owner), part(new TComponent(this)) {}
    TComponent* part;
    int loaded = 0;
    void Loaded() override {
        TComponent::Loaded();
        ++loaded;
    }
};

// A component that rebuilds its parts once loaded, as the bar graph rebuilds its lamps.
class TRebuilding : public TComponent {
public:
    explicit TRebuilding(TComponent* owner) : TComponent(owner) { build(); }
    std::vector<TWithPart*> parts;
    void Loaded() override {
        TComponent::Loaded();
        for (TWithPart* part : parts) {
            part->Free();
        }
        build();
    }

private:
    void build() {
        parts.clear();
        for (int i = 0; i < 3; ++i) {
            parts.push_back(new TWithPart(this));
        }
    }
};

TEST(Description, LoadedMayRebuildAComponentsParts) {
    TRebuilding* rebuilding = nullptr;
    TWithPart* after = nullptr;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        rebuilding = new TRebuilding(&f);
        after = new TWithPart(&f);
    }));
    ASSERT_EQ(rebuilding->ComponentCount(), 3);
    for (TWithPart* part : rebuilding->parts) {
        EXPECT_FALSE(part->IsLoading());
        EXPECT_EQ(part->loaded, 0) << "the new parts were made after loading";
    }
    EXPECT_EQ(after->loaded, 1);
}

TEST(Description, LoadingStateThenLoadedOnEveryComponent) {
    TWithPart* whole = nullptr;
    TPanel* panel = nullptr;
    bool loadingInside = false;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        loadingInside = f.IsLoading();
        whole = new TWithPart(&f);
        panel = f.Add<TPanel>("pn", &f);
        loadingInside = loadingInside && panel->IsLoading() && whole->part->IsLoading();
    }));
    EXPECT_TRUE(loadingInside);
    EXPECT_EQ(whole->loaded, 1);
    EXPECT_FALSE(form->IsLoading());
    EXPECT_FALSE(panel->IsLoading());
    EXPECT_FALSE(whole->part->IsLoading()) << "a component's own part stayed loading";
}

TEST(Description, AVisibleFormShowsAfterOnCreate) {
    std::vector<std::string> order;
    Owned<TDescribedForm> form(makeForm([&](TDescribedForm& f) {
        f.OnCreate = [&](TObject*) { order.push_back("create"); };
        f.OnShow = [&](TObject*) { order.push_back("show"); };
        f.SetVisible(true);
        order.push_back("described");
    }));
    EXPECT_EQ(order, (std::vector<std::string>{"described", "create", "show"}));
    EXPECT_TRUE(form->Visible());
}

TEST(SetWindowPos, TopmostWithoutMovingSizingOrActivating) {
    Owned<TDescribedForm> form(makeForm([](TDescribedForm& f) { f.SetBounds(167, 0, 330, 258); }));
    // A form never shown gets its handle on the way.
    const UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;
    ASSERT_EQ(flags, 0x13u);
    EXPECT_TRUE(SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, flags));
    EXPECT_TRUE(form->IsTopmost());
    EXPECT_EQ(form->BoundsRect(), Bounds(167, 0, 330, 258));
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(SetWindowPos(form->Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, flags));
    EXPECT_FALSE(form->IsTopmost());
    form->SetFormStyle(TFormStyle::fsStayOnTop);
    EXPECT_TRUE(form->IsTopmost());
    HWND gone = form->Handle();
    form->DestroyHandle();
    EXPECT_FALSE(SetWindowPos(gone, HWND_TOPMOST, 0, 0, 0, 0, flags));
}

TEST(MessageHandlers, AHandlerSetsTheResultAndOthersGetDefaultHandling) {
    Owned<TDescribedForm> form(makeForm());
    form->SetMessageHandler(WM_USER + 1, [](TMessage& m) { m.Result = m.WParam + m.LParam; });
    EXPECT_EQ(form->Perform(WM_USER + 1, 2, 3), 5);
    EXPECT_EQ(form->Perform(WM_USER + 2, 2, 3), 0);
    form->Show();
    form->Perform(WM_CLOSE, 0, 0);
    EXPECT_FALSE(form->Visible()) << "WM_CLOSE without a handler closes";
    // A handler replaces the default handling.
    form->Show();
    form->SetMessageHandler(WM_CLOSE, [](TMessage&) {});
    EXPECT_EQ(SendMessageA(form->Handle(), WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(form->Visible());
}

} // namespace
} // namespace toolkit
