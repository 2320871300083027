// The ADAT meter windows on the simulated card: the copies per card, where a pair's levels land,
// metering and timers, closing, failures and the window's size limits.
#include "controls/window_messages.h"
#include "meters/adat_inp.h"
#include "meters/adat_out.h"
#include "meters/form_utils.h"
#include "meters_test_env.h"
#include "toolkit/label.h"

#include <chrono>
#include <map>
#include <sstream>
#include <thread>

using namespace meters;
using namespace toolkit;
using meters_test::Owned;

namespace {

// Stands in for the control window: owns the meter windows and notes what they tell it.
class THost : public TForm {
public:
    explicit THost(TComponent* owner) : TForm(owner) {
        SetMessageHandler(controls::WM_FORMCLOSED,
                          [this](TMessage& m) { closed.push_back(m.LParam); });
        Publish("FormActiveChanged", this, &THost::FormActiveChanged);
    }
    void FormActiveChanged(TObject*) { ++activeChanged; }
    std::vector<LPARAM> closed;
    int activeChanged = 0;
};

// Counts the metering messages that reach the card's driver, and leaves chosen pairs' reads
// unanswered; everything else goes to the simulated card.
struct DriverSpy {
    static inline std::map<DWORD_PTR, UINT> deviceOf; // instance -> device id
    static inline std::map<UINT, int> messages;
    static inline std::vector<UINT> unansweredDevices;
    static DWORD wid(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2) {
        return relay(simcard::cardWaveDriver()->widMessage, WIDM_OPEN, id, msg, user, p1, p2);
    }
    static DWORD wod(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2) {
        return relay(simcard::cardWaveDriver()->wodMessage, WODM_OPEN, id, msg, user, p1, p2);
    }
    static DWORD relay(WaveDriverProc next, UINT openMsg, UINT id, UINT msg, DWORD_PTR user,
                       DWORD_PTR p1, DWORD_PTR p2) {
        if (msg >= DRV_USER) {
            ++messages[msg];
            auto it = deviceOf.find(user);
            if (it != deviceOf.end() && (msg == MSG_IN_METER_READ || msg == MSG_OUT_METER_READ) &&
                std::find(unansweredDevices.begin(), unansweredDevices.end(), it->second) !=
                    unansweredDevices.end()) {
                return MMSYSERR_NOTSUPPORTED;
            }
        }
        DWORD result = next(id, msg, user, p1, p2);
        if (msg == openMsg && result == MMSYSERR_NOERROR) {
            deviceOf[*reinterpret_cast<DWORD_PTR*>(user)] = id;
        }
        return result;
    }
    static void reset() {
        deviceOf.clear();
        messages.clear();
        unansweredDevices.clear();
    }
};
const WaveDriver kSpyDriver{"spy", DriverSpy::wid, DriverSpy::wod};

class MeterWindowTest : public meters_test::MetersTest {
protected:
    void SetUp() override {
        MetersTest::SetUp();
        host_ = TCustomForm::Create<THost>(nullptr);
        DriverSpy::reset();
    }
    void TearDown() override {
        host_->Free();
        MetersTest::TearDown();
    }

    // The simulated card behind the spy.
    void spiedCard(const std::string& text) {
        auto parsed = simcard::parseDescription(text, "test");
        ASSERT_TRUE(parsed.description) << parsed.error;
        winmmRemoveAllDrivers();
        simcard::setDriverDescription(*parsed.description);
        winmmInstallDriver(&kSpyDriver);
        driver::FindDevices();
    }

    // Channel n (1 to 32) at the constant level 1000 * n, in both directions.
    static std::string numberedLevels(int cards) {
        std::ostringstream text;
        text << "cards " << cards << "\n";
        for (int n = 1; n <= 32; ++n) {
            text << "level in " << n << " constant " << 1000 * n << "\n";
            text << "level out " << n << " constant " << 500 * n << "\n";
        }
        return text.str();
    }

    template <typename F> F* create() { return TCustomForm::Create<F>(host_); }

    // The form's labels in pnNumbers and its copies, left to right.
    static std::vector<TLabel*> channelNumbers(TAdatMeterForm* form) {
        std::vector<TLabel*> numbers;
        for (TControl* c : form->NumbersPanel()->ControlList()) {
            if (auto* label = dynamic_cast<TLabel*>(c)) {
                numbers.push_back(label);
            }
        }
        std::sort(numbers.begin(), numbers.end(),
                  [](TLabel* a, TLabel* b) { return a->Left() < b->Left(); });
        return numbers;
    }

    static int countMeters(TComponent* form) {
        int n = 0;
        for (TComponent* c : form->ComponentList()) {
            n += dynamic_cast<controls::TLevelMeter*>(c) != nullptr;
        }
        return n;
    }

    THost* host_ = nullptr;
};

TEST_F(MeterWindowTest, OneCardKeepsTheDesignedGroupAndWidth) {
    card("cards 1\n");
    Owned<TfrmAdatInp> form(create<TfrmAdatInp>());
    ASSERT_TRUE(form->Ready());
    EXPECT_EQ(form->Caption(), "ADAT Inputs");
    EXPECT_EQ(countMeters(form.get()), 8);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(form->Meter(k)->Name(), "Meter" + std::to_string(k + 1));
        EXPECT_EQ(form->Meter(k)->Tag(), 4 + k);
        EXPECT_EQ(form->Meter(k)->LumiCount(), 40);
        EXPECT_NE(form->ControlHandle(k), nullptr);
    }
    EXPECT_EQ(form->Meter(8), nullptr);
    EXPECT_EQ(InpWindowHeight, 258);
    MINMAXINFO info = form->GetMinMaxInfo();
    EXPECT_EQ(info.ptMaxSize.x, 330);
    EXPECT_EQ(info.ptMaxSize.y, 258);
    EXPECT_EQ(info.ptMaxPosition.x, 0);
    EXPECT_EQ(info.ptMaxPosition.y, 0);
    EXPECT_EQ(info.ptMinTrackSize.x, 174);
    EXPECT_EQ(info.ptMinTrackSize.y, 258);
    EXPECT_EQ(info.ptMaxTrackSize.x, 330);
    EXPECT_EQ(info.ptMaxTrackSize.y, 258);
    EXPECT_EQ(form->Width(), 330);
    EXPECT_EQ(form->Left(), 167);
    EXPECT_EQ(form->Top(), 0);
    // The owner's handler follows the window's activation.
    form->OnActivate(form.get());
    form->OnDeactivate(form.get());
    EXPECT_EQ(host_->activeChanged, 2);
}

TEST_F(MeterWindowTest, FourCardsNumberTheCopiesCardByCard) {
    card("cards 4\n");
    for (bool output : {false, true}) {
        SCOPED_TRACE(output ? "outputs" : "inputs");
        TAdatMeterForm* made = output ? static_cast<TAdatMeterForm*>(create<TfrmAdatOut>())
                                      : static_cast<TAdatMeterForm*>(create<TfrmAdatInp>());
        Owned<TAdatMeterForm> form(made);
        ASSERT_TRUE(form->Ready());
        EXPECT_EQ(countMeters(form.get()), 32);
        EXPECT_EQ(form->MetersPanel()->Width(), output ? 1246 : 1250);
        EXPECT_EQ(form->GetMinMaxInfo().ptMaxTrackSize.x, 1272);
        EXPECT_EQ(form->Meter(0)->Name(), output ? "PlayLvMeter1" : "Meter1");
        EXPECT_EQ(form->Meter(7)->Name(), output ? "LevelMeter6" : "Meter8");
        for (int k = 8; k < 32; ++k) {
            controls::TLevelMeter* meter = form->Meter(k);
            ASSERT_NE(meter, nullptr);
            EXPECT_TRUE(meter->Name().empty());
            EXPECT_EQ(meter->Tag(), k) << k;
            // Same place in its copied pair panel, the panel one group further right.
            controls::TLevelMeter* designed = form->Meter(k % 8);
            EXPECT_EQ(meter->Left(), designed->Left());
            EXPECT_EQ(meter->Parent()->Left(), designed->Parent()->Left() + 312 * (k / 8));
            EXPECT_EQ(meter->Parent()->Parent(), form->MetersPanel());
            EXPECT_EQ(meter->LumiCount(), 40);
            EXPECT_EQ(meter->LevelMaxHold(), 3000);
        }
        std::vector<TLabel*> numbers = channelNumbers(form.get());
        ASSERT_EQ(numbers.size(), 32u);
        for (int n = 1; n <= 32; ++n) {
            EXPECT_EQ(numbers[static_cast<std::size_t>(n - 1)]->Caption(), std::to_string(n));
            EXPECT_EQ(numbers[static_cast<std::size_t>(n - 1)]->Tag(), n);
        }
    }
    EXPECT_EQ(OutWindowHeight, 258);
}

TEST_F(MeterWindowTest, APairsReadLandsInItsTwoMeters) {
    card(numberedLevels(4));
    Owned<TfrmAdatInp> in(create<TfrmAdatInp>());
    Owned<TfrmAdatOut> out(create<TfrmAdatOut>());
    in->Show();
    out->Show();
    EXPECT_EQ(in->Perform(WM_LEVELPOLL, 0, 0), 1);
    EXPECT_EQ(out->Perform(WM_LEVELPOLL, 0, 0), 1);
    for (int c = 0; c < 4; ++c) {
        for (int p = 0; p < 4; ++p) {
            int k = c * 8 + 2 * p;
            EXPECT_EQ(in->Meter(k)->Level(), 1000 * (k + 1)) << "card " << c << " pair " << p;
            EXPECT_EQ(in->Meter(k + 1)->Level(), 1000 * (k + 2)) << "card " << c << " pair " << p;
            EXPECT_EQ(out->Meter(k)->Level(), 500 * (k + 1));
            EXPECT_EQ(out->Meter(k + 1)->Level(), 500 * (k + 2));
        }
    }
    in->Close();
    out->Close();
}

TEST_F(MeterWindowTest, AReadTheDriverDoesNotAnswerShowsSilence) {
    spiedCard("cards 1\nlevel in * constant 20000\n");
    // Pair 1 (channels 3 and 4) of the only card.
    DriverSpy::unansweredDevices = {1};
    Owned<TfrmAdatInp> form(create<TfrmAdatInp>());
    form->Show();
    form->Perform(WM_LEVELPOLL, 0, 0);
    EXPECT_EQ(form->Meter(1)->Level(), 20000);
    EXPECT_EQ(form->Meter(2)->Level(), 0);
    EXPECT_EQ(form->Meter(3)->Level(), 0);
    EXPECT_EQ(form->Meter(4)->Level(), 20000);
    EXPECT_EQ(form->Meter(3)->TopIndex(), 0);
    form->Close();
}

TEST_F(MeterWindowTest, ShowingAgainStartsNothingTwice) {
    spiedCard("cards 2\n");
    Owned<TfrmAdatOut> form(create<TfrmAdatOut>());
    EXPECT_FALSE(form->Running());
    form->Show();
    ASSERT_TRUE(form->Running());
    EXPECT_EQ(DriverSpy::messages[MSG_OUT_METER_START], 8); // every pair of both cards
    std::uint32_t tick = form->TickTimer();
    std::uint32_t poll = form->PollTimer();
    EXPECT_NE(tick, 0u);
    EXPECT_NE(poll, 0u);
    EXPECT_NE(tick, poll);
    form->Hide();
    form->Show();
    form->StartMetering();
    EXPECT_EQ(form->TickTimer(), tick);
    EXPECT_EQ(form->PollTimer(), poll);
    EXPECT_EQ(DriverSpy::messages[MSG_OUT_METER_START], 8);
    EXPECT_EQ(DriverSpy::messages[MSG_IN_METER_START], 0);
    form->Close();
    EXPECT_EQ(DriverSpy::messages[MSG_OUT_METER_STOP], 8);
}

TEST_F(MeterWindowTest, TheTimersDriveThePollAndTheTick) {
    card("cards 1\nlevel in * constant 0\nlevel in 5 constant 32767\n");
    Owned<TfrmAdatInp> form(create<TfrmAdatInp>());
    form->Show();
    // Polls light meter 5's column; ticks let the others' nothing fall; wait for both.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (form->Meter(4)->TopIndex() != 39 && std::chrono::steady_clock::now() < until) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(form->Meter(4)->TopIndex(), 39);
    EXPECT_EQ(form->Meter(4)->PeakIndex(), 39);
    form->Close();
    // Stopped: once the ticks posted before are handled, the column falls only by ticks the
    // test gives itself.
    Application->ProcessMessages();
    form->Meter(4)->SetLevel(0);
    int top = form->Meter(4)->TopIndex();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    Application->ProcessMessages();
    EXPECT_EQ(form->Meter(4)->TopIndex(), top);
    form->Perform(WM_METERTICK, 0, 0);
    EXPECT_EQ(form->Meter(4)->TopIndex(), top - 1);
}

TEST_F(MeterWindowTest, ClosingSavesTheGeometryStopsAndTellsTheOwner) {
    card("cards 2\n");
    Owned<TfrmAdatInp> form(create<TfrmAdatInp>());
    form->Show();
    form->SetBounds(50, 60, 500, 258);
    HWND handle = form->Handle();
    form->Close();
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->Running());
    EXPECT_EQ(form->TickTimer(), 0u);
    EXPECT_EQ(form->PollTimer(), 0u);
    Application->ProcessMessages();
    ASSERT_EQ(host_->closed.size(), 1u);
    EXPECT_EQ(host_->closed[0], reinterpret_cast<LPARAM>(handle));

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\Kelvra\\qorvamix.ini\\ADAT Inputs", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    std::map<std::string, DWORD> values;
    for (DWORD i = 0;; ++i) {
        char name[64];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                          &size) != ERROR_SUCCESS) {
            break;
        }
        EXPECT_EQ(type, REG_DWORD) << name;
        values[name] = value;
    }
    RegCloseKey(key);
    std::map<std::string, DWORD> expected{
        {"Top", 60}, {"Left", 50}, {"Width", 500}, {"Height", 258}, {"Hints", 0}};
    EXPECT_EQ(values, expected);

    // The next window stands where this one was left.
    form->Free();
    form.ref() = nullptr;
    Owned<TfrmAdatInp> next(create<TfrmAdatInp>());
    next->Show();
    EXPECT_EQ(next->BoundsRect(), Bounds(50, 60, 500, 258));
    next->Close();
}

TEST_F(MeterWindowTest, AnOpenThatFailsLeavesTheWindowNotReadyWithoutAMessage) {
    card("cards 2\n");
    // Discovery found both cards; the second refuses control opens from now on.
    redescribe("cards 2\nfault control-open-refused 1\n");
    auto* form = create<TfrmAdatInp>();
    EXPECT_FALSE(form->Ready());
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(countMeters(form), 8); // no copies
    // Card 0's handles were opened before the failure; freeing closes them.
    HWAVEIN first = static_cast<HWAVEIN>(form->ControlHandle(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(form->ControlHandle(8), nullptr);
    // As the control window does: close once, then free. The designed geometry is not saved.
    TfrmAdatInp* variable = form;
    CloseAndFree(variable);
    EXPECT_EQ(variable, nullptr);
    Application->ProcessMessages();
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(waveInMessage(first, MSG_IN_METER_READ, 0, 0), MMSYSERR_INVALHANDLE);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\Kelvra\\qorvamix.ini\\ADAT Inputs", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
}

TEST_F(MeterWindowTest, StoredSizesAreHeldToTheWindowsLimits) {
    card("cards 2\n");
    auto store = [](int left, int top, int width, int height) {
        TRegistryIniFile ini("software\\Kelvra\\qorvamix.ini");
        ini.WriteInteger("ADAT Outputs", "Left", left);
        ini.WriteInteger("ADAT Outputs", "Top", top);
        ini.WriteInteger("ADAT Outputs", "Width", width);
        ini.WriteInteger("ADAT Outputs", "Height", height);
    };
    store(20, 30, 2000, 500);
    {
        Owned<TfrmAdatOut> form(create<TfrmAdatOut>());
        form->Show();
        EXPECT_EQ(form->BoundsRect(), Bounds(20, 30, 644, 258));
        // The user cannot change the height either.
        form->SetHeight(400);
        EXPECT_EQ(form->Height(), 258);
        form->SetWidth(100);
        EXPECT_EQ(form->Width(), 174);
        form->Close();
    }
    store(20, 30, 10, 10);
    Owned<TfrmAdatOut> form(create<TfrmAdatOut>());
    form->Show();
    EXPECT_EQ(form->BoundsRect(), Bounds(20, 30, 174, 258));
    form->Close();
}

TEST_F(MeterWindowTest, MaximisedTheWindowSitsTopLeftAtItsFullWidth) {
    card("cards 3\n");
    Owned<TfrmAdatInp> form(create<TfrmAdatInp>());
    form->Show();
    form->SetBounds(100, 120, 400, 258);
    form->Perform(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_EQ(form->WindowState(), TWindowState::wsMaximized);
    EXPECT_EQ(form->BoundsRect(), Bounds(0, 0, 958, 258));
    form->Perform(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(form->WindowState(), TWindowState::wsNormal);
    EXPECT_EQ(form->BoundsRect(), Bounds(100, 120, 400, 258));
    // The user's maximise (the title bar) takes the same way, and a second one restores.
    form->PeerMaximizeRequest();
    EXPECT_EQ(form->BoundsRect(), Bounds(0, 0, 958, 258));
    form->PeerMaximizeRequest();
    EXPECT_EQ(form->BoundsRect(), Bounds(100, 120, 400, 258));
    form->Close();
}

} // namespace

TEST_F(MeterWindowTest, TheScreenShowsWhatTheWindowPaints) {
    // The meters are drawn with the window's surface, repainted lamp by lamp as they change:
    // what the screen shows must be what the whole window painted at once looks like.
    card("cards 2\nlevel in * constant 0\nlevel in 5 constant 32767\nlevel in 12 constant 3000\n");
    Owned<TfrmAdatInp> form(create<TfrmAdatInp>());
    form->Show();
    form->SetBounds(0, 0, 100000, form->Height());
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((form->Meter(4)->TopIndex() != 39 || form->Meter(11)->TopIndex() < 0) &&
           std::chrono::steady_clock::now() < until) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    form->Update();
    Snapshot shown = GrabOnScreen(form.get());
    Snapshot alone = GrabControl(form.get());
    ASSERT_EQ(shown.width, alone.width);
    ASSERT_EQ(shown.height, alone.height);
    ASSERT_EQ(shown.pixels.size(), alone.pixels.size());
    int differing = 0;
    for (std::size_t i = 0; i < shown.pixels.size(); ++i) {
        differing += shown.pixels[i] != alone.pixels[i] ? 1 : 0;
    }
    EXPECT_EQ(differing, 0);
    // Meter 5's top lamp is lit on the screen.
    TPoint top = form->Meter(4)->Lumi(39)->ClientToScreen({2, 2});
    TPoint origin = form->ClientToScreen({0, 0});
    EXPECT_NE(shown.PixelAt(top.X - origin.X, top.Y - origin.Y), alone.PixelAt(0, 0));
}
