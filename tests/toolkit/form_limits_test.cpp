// Forms and WM_GETMINMAXINFO: the tracking sizes hold every size given to a form with a window,
// and maximising places the form by its own answer.
#include "toolkit/forms.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

// A form at the given bounds, freed at the end of the test.
struct LimitedForm {
    explicit LimitedForm(int left, int top, int width, int height)
        : form(TCustomForm::Create<TForm>(nullptr)) {
        form->SetBounds(left, top, width, height);
    }
    ~LimitedForm() { form->Free(); }
    TForm* operator->() const { return form; }
    TForm* get() const { return form; }
    TForm* form;
};

// A form that answers WM_GETMINMAXINFO with fixed values.
void limit(TCustomForm* form) {
    form->SetMessageHandler(WM_GETMINMAXINFO, [](TMessage& m) {
        auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
        info->ptMaxSize = {500, 150};
        info->ptMaxPosition = {10, 20};
        info->ptMinTrackSize = {200, 150};
        info->ptMaxTrackSize = {450, 150};
        m.Result = 0;
    });
}

TEST(FormLimits, TrackingSizesHoldEverySizeOnceTheFormHasAWindow) {
    LimitedForm form(5, 5, 300, 300);
    limit(form.get());
    // Without a window nothing asks the form yet.
    form->SetBounds(5, 5, 1000, 1000);
    EXPECT_EQ(form->Width(), 1000);
    form->Show();
    EXPECT_EQ(form->BoundsRect(), Bounds(5, 5, 450, 150));
    form->SetBounds(7, 8, 50, 400);
    EXPECT_EQ(form->BoundsRect(), Bounds(7, 8, 200, 150));
    form->SetHeight(10);
    EXPECT_EQ(form->Height(), 150);
}

TEST(FormLimits, MaximisingUsesTheMaximisedPositionAndSize) {
    LimitedForm form(30, 40, 300, 150);
    limit(form.get());
    form->Show();
    form->SetWindowState(TWindowState::wsMaximized);
    EXPECT_EQ(form->WindowState(), TWindowState::wsMaximized);
    // ptMaxSize is held to the largest tracking size.
    EXPECT_EQ(form->BoundsRect(), Bounds(10, 20, 450, 150));
    form->SetWindowState(TWindowState::wsNormal);
    EXPECT_EQ(form->BoundsRect(), Bounds(30, 40, 300, 150));

    // Maximised before it is shown: placed when shown.
    LimitedForm later(30, 40, 300, 150);
    limit(later.get());
    later->SetWindowState(TWindowState::wsMaximized);
    later->Show();
    EXPECT_EQ(later->BoundsRect(), Bounds(10, 20, 450, 150));
}

} // namespace
} // namespace toolkit
