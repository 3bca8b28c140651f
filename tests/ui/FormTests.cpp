#include "TestForm.h"

#include <gtest/gtest.h>

namespace hivelet::ui {
namespace {

using test::EventForm;
using test::HeadlessApp;

constexpr uint32_t kMsg = 0x6603;

TEST(Forms, CreateFormRunsFormCreateAndShowModalRunsTheEventsInOrder) {
    HeadlessApp h;
    auto f = CreateForm<EventForm>(h.app, "frmTest");
    auto* ok = f->Make<TButton>("bOK");
    ok->SetModalResult(mrOk);
    f->onActivate = [&] {
        f->events.push_back(h.headless->IsWindowShown(*f) ? "shown" : "hidden");
    };
    h.headless->WhenIdle([&] { h.headless->Click(*ok); });
    EXPECT_EQ(f->ShowModal(), mrOk);
    EXPECT_EQ(f->events,
              (std::vector<std::string>{"create", "show", "activate", "shown", "close"}));
    EXPECT_FALSE(f->Visible());
    EXPECT_FALSE(h.headless->HasWindow(*f));
}

TEST(Forms, AnExceptionInFormCreateGoesToTheErrorBox) {
    HeadlessApp h;
    h.app.SetTitle("Orvane Hivelet");
    struct Failing : EventForm {
        using EventForm::EventForm;
        void FormCreate() override {
            EventForm::FormCreate();
            throw std::runtime_error("Unable to write to C:\\options.ini");
        }
    };
    auto f = CreateForm<Failing>(h.app, "frmBad");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->events, (std::vector<std::string>{"create"}));
    ASSERT_EQ(h.headless->MessageBoxes().size(), 1u);
    EXPECT_EQ(h.headless->MessageBoxes()[0].text, "Unable to write to C:\\options.ini.");
    EXPECT_EQ(h.headless->MessageBoxes()[0].caption, "Orvane Hivelet");
}

TEST(Forms, ModalResultsComeFromButtonsHandlersCloseAndTheCloseBox) {
    HeadlessApp h;
    EventForm f(h.app, "frmAskDelete");
    auto* yes = f.Make<TButton>("bOK");
    yes->SetModalResult(mrYes);
    auto* no = f.Make<TButton>("bCancel");
    no->SetModalResult(mrNo);
    auto* plain = f.Make<TButton>("bPlain");

    h.headless->WhenIdle([&] { h.headless->Click(*no); });
    EXPECT_EQ(f.ShowModal(), mrNo);

    h.headless->WhenIdle([&] { EXPECT_TRUE(h.headless->PressCloseBox(f)); });
    EXPECT_EQ(f.ShowModal(), mrCancel);

    // A button without a result does not close the form; a handler setting one does.
    plain->OnClick = [&] { f.SetModalResult(mrOk); };
    h.headless->WhenIdle([&] { h.headless->Click(*plain); });
    EXPECT_EQ(f.ShowModal(), mrOk);

    h.headless->WhenIdle([&] { f.Close(); });
    EXPECT_EQ(f.ShowModal(), mrCancel);

    // A form that takes WM_CLOSE over decides what the close box does.
    int refused = 0;
    f.OnMessage(wm::Close, [&](uint64_t, int64_t) { ++refused; });
    h.headless->WhenIdle([&] {
        EXPECT_TRUE(h.headless->PressCloseBox(f));
        EXPECT_TRUE(f.Visible());
        f.SetModalResult(mrNo);
    });
    EXPECT_EQ(f.ShowModal(), mrNo);
    EXPECT_EQ(refused, 1);
    f.OnMessage(wm::Close, nullptr);

    // A posted close (as a worker sends it) closes with Cancel too.
    h.headless->WhenIdle([&] { f.Ref().Post(wm::Close); });
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_EQ(std::count(f.events.begin(), f.events.end(), "close"), 6);
}

TEST(Forms, FormCloseMaySetTheFinalResult) {
    HeadlessApp h;
    EventForm f(h.app, "frmSystemPoint");
    f.SetBorderStyle(BorderStyle::DialogNoClose);
    bool finished = false;
    f.onClose = [&] {
        if (!finished)
            f.SetModalResult(mrCancel);
    };
    f.OnMessage(0x6605, [&](uint64_t, int64_t) {
        f.SetModalResult(mrOk);
        finished = true;
        f.Post(wm::Close); // arrives after the showing ended: no effect
    });
    f.onActivate = [&] { f.Post(0x6605); };
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_FALSE(h.headless->PressCloseBox(f)); // no close box on this frame

    finished = false;
    f.onActivate = nullptr;
    h.headless->WhenIdle([&] { f.SetModalResult(mrOk); });
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_EQ(h.headless->PendingMessages(), 0u);
}

TEST(Forms, ClicksOnlyReachEnabledVisibleControlsOfTheActiveWindow) {
    HeadlessApp h;
    EventForm owner(h.app, "frmMain");
    auto* ownerButton = owner.Make<TFlatSpeedButton>("bOptions");
    int ownerClicks = 0;
    ownerButton->OnClick = [&] { ++ownerClicks; };
    owner.Show();

    EventForm dlg(h.app, "frmOptions", &owner);
    auto* hidden = dlg.Make<TButton>("bHidden");
    hidden->SetVisible(false);
    auto* group = dlg.Make<TGroupBox>("GroupBox1");
    auto* inGroup = dlg.Make<TButton>("bInGroup", group);
    group->SetEnabled(false);
    int clicks = 0;
    hidden->OnClick = inGroup->OnClick = [&] { ++clicks; };

    h.headless->WhenIdle([&] {
        EXPECT_FALSE(h.headless->IsWindowEnabled(owner));
        EXPECT_FALSE(h.headless->Click(*ownerButton)); // behind the modal dialog
        EXPECT_FALSE(h.headless->Click(*hidden));
        EXPECT_FALSE(h.headless->Click(*inGroup)); // its group box is disabled
        dlg.Close();
    });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(h.headless->IsWindowEnabled(owner));
    EXPECT_TRUE(h.headless->Click(*ownerButton));
    EXPECT_EQ(ownerClicks, 1);
}

TEST(Forms, NestedModalLoopsUnwindInOrder) {
    HeadlessApp h;
    EventForm main(h.app, "frmMain");
    EventForm outer(h.app, "frmOuter", &main);
    EventForm inner(h.app, "frmInner", &outer);
    main.Show();
    std::vector<std::string> order;
    h.headless->WhenIdle([&] {
        h.headless->WhenIdle([&] {
            EXPECT_FALSE(h.headless->IsWindowEnabled(outer));
            EXPECT_FALSE(h.headless->IsWindowEnabled(main));
            inner.SetModalResult(mrYes);
        });
        order.push_back("inner " + std::to_string(inner.ShowModal()));
        EXPECT_TRUE(h.headless->IsWindowEnabled(outer));
        EXPECT_FALSE(h.headless->IsWindowEnabled(main));
        outer.SetModalResult(mrNo);
    });
    order.push_back("outer " + std::to_string(outer.ShowModal()));
    EXPECT_EQ(order, (std::vector<std::string>{"inner 6", "outer 7"}));
    EXPECT_GE(h.headless->MaxLoopDepth(), 2);
    EXPECT_TRUE(h.headless->IsWindowEnabled(main));
    EXPECT_THROW(main.ShowModal(), std::logic_error); // already shown
}

TEST(Forms, DialogsAreCentredOnTheirOwnerOrTheScreen) {
    HeadlessApp h;
    EventForm main(h.app, "frmMain");
    main.SetBorderStyle(BorderStyle::None);
    main.SetClientSize(556, 392);
    main.SetPosition(FormPosition::ScreenCenter);
    main.Show();
    EXPECT_EQ(main.WindowRect(), (Rect{(1024 - 556) / 2, (768 - 392) / 2, 556, 392}));

    EventForm dlg(h.app, "frmOptions", &main);
    dlg.SetClientSize(474, 178);
    dlg.SetPosition(FormPosition::OwnerCenter);
    dlg.Show();
    Rect m = main.WindowRect(), d = dlg.WindowRect();
    EXPECT_EQ(d.width, 474 + 6);
    EXPECT_EQ(d.height, 178 + 25);
    EXPECT_EQ(d.left, m.left + (m.width - d.width) / 2);
    EXPECT_EQ(d.top, m.top + (m.height - d.height) / 2);
}

TEST(Forms, FocusStartsOnTheFirstFocusableControlInTabOrder) {
    HeadlessApp h;
    EventForm f(h.app, "frmAskDelete");
    auto* group = f.Make<TGroupBox>("GroupBox1");
    group->SetTabOrder(0);
    auto* no = f.Make<TButton>("bCancel", group);
    no->SetTabOrder(0);
    no->SetModalResult(mrNo);
    auto* yes = f.Make<TButton>("bOK", group);
    yes->SetTabOrder(1);
    yes->SetModalResult(mrYes);
    yes->SetDefault(true);
    auto* ask = f.Make<TsuiCheckBox>("cbAsk");
    ask->SetTabOrder(1);
    h.headless->WhenIdle([&] {
        EXPECT_EQ(f.ActiveControl(), no);
        EXPECT_TRUE(h.headless->PressEnter(f)); // Enter presses the focused button
    });
    EXPECT_EQ(f.ShowModal(), mrNo);

    // Escape presses the cancel button; without one it does nothing.
    h.headless->WhenIdle([&] {
        EXPECT_FALSE(h.headless->PressEscape(f));
        no->SetCancel(true);
        EXPECT_TRUE(h.headless->PressEscape(f));
    });
    EXPECT_EQ(f.ShowModal(), mrNo);
}

TEST(Forms, MessagesToAClosedWindowHaveNoEffect) {
    HeadlessApp h;
    EventForm f(h.app, "frmProgress");
    int seen = 0;
    f.OnMessage(kMsg, [&](uint64_t w, int64_t l) { seen += int(w + l); });
    f.Show();
    WindowRef ref = f.Ref();
    EXPECT_TRUE(ref.Post(kMsg, 1, 2));
    h.app.ProcessMessages();
    EXPECT_EQ(seen, 3);
    EXPECT_TRUE(ref.Post(kMsg, 10, 0)); // queued, then the window closes before it is handled
    f.Close();
    EXPECT_FALSE(ref.Alive());
    EXPECT_FALSE(ref.Post(kMsg, 100, 0));
    h.app.ProcessMessages();
    EXPECT_EQ(seen, 3);
    // Showing the form again makes a new window; the old reference stays dead.
    f.Show();
    EXPECT_FALSE(ref.Post(kMsg, 1000, 0));
    EXPECT_TRUE(f.Ref().Post(kMsg, 4, 0));
    h.app.ProcessMessages();
    EXPECT_EQ(seen, 7);
}

TEST(Forms, ReferencesOutliveTheirForm) {
    HeadlessApp h;
    WindowRef ref;
    {
        EventForm f(h.app, "frmGone");
        f.OnMessage(kMsg, [](uint64_t, int64_t) { ADD_FAILURE() << "handled after destruction"; });
        ref = f.Ref();
        EXPECT_TRUE(ref.Post(kMsg));
    }
    EXPECT_FALSE(ref.Post(kMsg));
    EXPECT_FALSE(HandOver(ref, [] { ADD_FAILURE(); }));
    h.app.ProcessMessages();
}

TEST(Forms, TimersFireFromTheVirtualClockAfterQueuedMessages) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    std::vector<std::string> log;
    auto* t1 = f.Make<TTimer>("Timer1");
    t1->SetInterval(1000);
    t1->OnTimer = [&] {
        log.push_back("t1@" + std::to_string(h.headless->Now()));
        f.Post(kMsg);
    };
    auto* t2 = f.Make<TTimer>("Timer2");
    t2->SetEnabled(false);
    t2->SetInterval(300);
    t2->OnTimer = [&] { log.push_back("t2@" + std::to_string(h.headless->Now())); };
    f.OnMessage(kMsg, [&](uint64_t, int64_t) { log.push_back("msg"); });

    h.headless->Advance(999);
    EXPECT_TRUE(log.empty());
    t2->SetEnabled(true); // starts counting now, at 999
    h.headless->Advance(1001);
    EXPECT_EQ(log, (std::vector<std::string>{"t1@1000", "msg", "t2@1299", "t2@1599", "t2@1899",
                                             "t1@2000", "msg"}));
    log.clear();
    t1->SetEnabled(false);
    t2->SetInterval(5000); // restarts the period
    h.headless->Advance(4999);
    EXPECT_TRUE(log.empty());
    h.headless->Advance(1);
    EXPECT_EQ(log, (std::vector<std::string>{"t2@7000"}));
}

TEST(Forms, ATimerThatStopsItselfOrItsNeighbourStopsAtOnce) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    auto* a = f.Make<TTimer>("a");
    auto* b = f.Make<TTimer>("b");
    a->SetInterval(100);
    b->SetInterval(100);
    int aTicks = 0, bTicks = 0;
    a->OnTimer = [&] {
        ++aTicks;
        b->SetEnabled(false);
        if (aTicks == 3)
            a->SetEnabled(false);
    };
    b->OnTimer = [&] { ++bTicks; };
    h.headless->Advance(1000);
    EXPECT_EQ(aTicks, 3);
    EXPECT_EQ(bTicks, 0);
    EXPECT_EQ(h.headless->RunningTimers(), 0u);
}

TEST(Forms, TimerExceptionsGoToTheErrorBoxAndTheTimerKeepsRunning) {
    HeadlessApp h;
    h.app.SetTitle("Orvane Hivelet");
    EventForm f(h.app, "frmTest");
    auto* t = f.Make<TTimer>("Timer1");
    int ticks = 0;
    t->OnTimer = [&] {
        if (++ticks == 1)
            throw std::runtime_error("tick failed");
    };
    h.headless->Advance(3000);
    EXPECT_EQ(ticks, 3);
    ASSERT_EQ(h.headless->MessageBoxes().size(), 1u);
    EXPECT_EQ(h.headless->MessageBoxes()[0].text, "tick failed.");
}

TEST(Forms, MainFormMinimiseGoesToTheApplicationWindowAndCloseEndsRun) {
    HeadlessApp h;
    EventForm main(h.app, "frmMain");
    main.SetBorderStyle(BorderStyle::None);
    auto* exitButton = main.Make<TFlatSpeedButton>("bExit");
    exitButton->OnClick = [&] { main.Close(); };
    main.onShow = [&] { main.Post(wm::SysCommand, sc::Minimize); };
    h.headless->WhenIdle([&] {
        EXPECT_TRUE(h.app.IsMinimized());
        h.app.Restore();
        h.app.HideAppWindow();
        EXPECT_TRUE(h.headless->Click(*exitButton));
    });
    h.app.Run(main);
    EXPECT_FALSE(h.app.IsMinimized());
    EXPECT_FALSE(h.headless->AppWindowVisible());
    EXPECT_EQ(main.events.back(), "close");
    EXPECT_TRUE(h.app.Terminated());
}

TEST(Forms, HiddenWindowKeepsItsVisibleFlagAndItsMessages) {
    HeadlessApp h;
    EventForm main(h.app, "frmMain");
    int seen = 0;
    main.OnMessage(0x6606, [&](uint64_t, int64_t) { ++seen; });
    main.Show();
    main.HideWindow();
    EXPECT_TRUE(main.Visible());
    EXPECT_FALSE(h.headless->IsWindowShown(main));
    main.Post(0x6606);
    h.app.ProcessMessages();
    EXPECT_EQ(seen, 1);
}

TEST(Forms, HitTestAsksTheHookOnlyForTheFormsOwnClientArea) {
    HeadlessApp h;
    EventForm main(h.app, "frmMain");
    main.SetBorderStyle(BorderStyle::None);
    main.SetClientSize(556, 392);
    auto* lv = main.Make<TListView>("lvMain");
    lv->SetBounds(119, 65, 423, 236);
    auto* label = main.Make<TLabel>("lTitle");
    label->SetBounds(17, 12, 197, 16);
    std::vector<Point> asked;
    main.OnNcHitTest = [&](Point screen, int standard) {
        Point rel{screen.x - main.Left(), screen.y - main.Top()};
        asked.push_back(rel);
        return standard == ht::Client && !label->BoundsInForm().ContainsInclusive(rel) ? ht::Caption
                                                                                       : standard;
    };
    main.Show();
    Point o{main.Left(), main.Top()};
    EXPECT_EQ(h.headless->HitTest(main, {o.x + 5, o.y + 5}), ht::Caption);
    EXPECT_EQ(h.headless->HitTest(main, {o.x + 20, o.y + 14}), ht::Client);    // the label
    EXPECT_EQ(h.headless->HitTest(main, {o.x + 200, o.y + 100}), ht::Nowhere); // list view
    EXPECT_EQ(h.headless->HitTest(main, {o.x + 600, o.y + 5}), ht::Nowhere);   // outside
    EXPECT_EQ(asked, (std::vector<Point>{{5, 5}, {20, 14}}));
}

TEST(Forms, PopupMenusRecordWhatWasShownAndFireTheChosenItem) {
    HeadlessApp h;
    EventForm main(h.app, "frmMain");
    auto* pm = main.Make<TPopupMenu>("pmLanguage");
    std::vector<std::string> clicked;
    for (const char* name : {"miEnglish", "miGerman", "N6", "miOther"}) {
        auto* item = main.Make<TMenuItem>(name);
        item->SetCaption(std::string(name) == "N6" ? "-" : std::string("&") + (name + 2));
        item->OnClick = [&clicked, item] { clicked.push_back(item->Name()); };
        pm->Add(item);
    }
    static_cast<TMenuItem*>(main.FindComponent("miGerman"))->SetChecked(true);
    auto* image = main.Make<TImage>("Image1");
    image->SetPopupMenu(pm);
    main.Show();

    h.headless->SetCursorPos({300, 200});
    h.headless->ChooseMenuItem("miOther");
    EXPECT_TRUE(h.headless->RightClick(*image));
    h.headless->ChooseMenuItem("");
    EXPECT_EQ(pm->Popup({10, 20}), nullptr);
    h.headless->ChooseMenuItem("N6");
    EXPECT_THROW(pm->Popup({10, 20}), std::logic_error); // separators cannot be chosen

    EXPECT_EQ(clicked, (std::vector<std::string>{"miOther"}));
    ASSERT_GE(h.headless->Menus().size(), 2u);
    const auto& first = h.headless->Menus()[0];
    EXPECT_EQ(first.menu, "pmLanguage");
    EXPECT_EQ(first.at, (Point{300, 200}));
    EXPECT_EQ(first.chosen, "miOther");
    ASSERT_EQ(first.items.size(), 4u);
    EXPECT_TRUE(first.items[1].checked);
    EXPECT_FALSE(first.items[0].checked);
    EXPECT_EQ(first.items[2].caption, "-");
    EXPECT_EQ(h.headless->Menus()[1].chosen, "");
}

TEST(Forms, MessageBoxesAnswerFromTheScriptOrTheirDefaultButton) {
    HeadlessApp h;
    EXPECT_EQ(
        h.app.MessageBox("a", "Orvane Hivelet", mb::YesNo | mb::IconInformation | mb::DefButton2),
        mrNo);
    EXPECT_EQ(h.app.MessageBox("b", "Orvane Hivelet", mb::YesNo), mrYes);
    EXPECT_EQ(h.app.MessageBox("c", "Orvane Hivelet", mb::Ok), mrOk);
    h.headless->AnswerMessageBox(mrYes);
    EXPECT_EQ(h.app.MessageBox("d", "x", 0x144), mrYes);
    h.headless->AnswerMessageBox(mrYes);
    EXPECT_THROW(h.app.MessageBox("e", "x", mb::Ok), std::logic_error); // not a button of it
    h.headless->OnMessageBox = [](const test::MessageBoxRecord& r) {
        return r.text == "f" ? mrCancel : mrOk;
    };
    EXPECT_EQ(h.app.MessageBox("f", "x", mb::OkCancel), mrCancel);
    ASSERT_EQ(h.headless->MessageBoxes().size(), 5u);
    EXPECT_EQ(h.headless->MessageBoxes()[3].flags, 0x144u);
    EXPECT_EQ(h.headless->MessageBoxes()[3].result, mrYes);
}

TEST(Forms, SingleInstanceLookupFindsWindowsByClassIgnoringCase) {
    HeadlessApp h;
    const std::string cls = "Orvane Hivelet Made by Orvane Software";
    EXPECT_FALSE(h.app.FindWindowByClass(cls));
    NativeWindow other = h.headless->AddForeignWindow(cls);
    auto found = h.app.FindWindowByClass("orvane hivelet made by orvane software");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, other);
    EXPECT_TRUE(h.app.PostTo(*found, 0x6604));
    h.app.BringToFront(*found);
    ASSERT_EQ(h.headless->ForeignPosts().size(), 1u);
    EXPECT_EQ(h.headless->ForeignPosts()[0].msg, 0x6604u);
    EXPECT_EQ(h.headless->BroughtToFront(), (std::vector<NativeWindow>{other}));

    // Our own windows are found too, and a post to one arrives as a message.
    EventForm main(h.app, "frmMain");
    main.SetWindowClassName("Hivelet Test Class");
    int restored = 0;
    main.OnMessage(0x6604, [&](uint64_t, int64_t) { ++restored; });
    EXPECT_EQ(main.NativeHandle(), 0u) << "no window yet";
    main.Show();
    auto own = h.app.FindWindowByClass("Hivelet Test Class");
    ASSERT_TRUE(own);
    EXPECT_EQ(main.NativeHandle(), *own) << "the handle another process finds";
    EXPECT_TRUE(h.app.PostTo(*own, 0x6604));
    h.app.ProcessMessages();
    EXPECT_EQ(restored, 1);
    main.Close();
    EXPECT_EQ(main.NativeHandle(), 0u);
    EXPECT_FALSE(h.app.FindWindowByClass("Hivelet Test Class"));
    EXPECT_FALSE(h.app.PostTo(*own, 0x6604));
}

TEST(Forms, AnIdleLoopWithNothingToWaitForFailsInsteadOfHanging) {
    test::ScriptOptions o;
    o.stallSeconds = 0;
    HeadlessApp h(o);
    EventForm f(h.app, "frmTest");
    EXPECT_THROW(f.ShowModal(), std::runtime_error);
    // The failed showing still cleaned up after itself.
    EXPECT_FALSE(f.IsModal());
    EXPECT_FALSE(h.headless->HasWindow(f));
    EXPECT_EQ(h.app.ActiveForm(), nullptr);
}

} // namespace
} // namespace hivelet::ui
