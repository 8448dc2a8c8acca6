// Forms built by scripts: typing and clicking through a real modal loop,
// modal results and close queries, keys changed or swallowed by handlers,
// re-entrant events, events after the script is gone, widgets Qt deleted,
// the form's canvas outside OnPaint, and what the controls read back.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "QtCanvas.h"
#include "sg_support.h"
#include "scForms.h"

namespace {

const char* kOrderForm =
    "var F: TForm; E: TEdit; B: TButton; C: TCheckBox; clicks: Integer; "
    "procedure BClick(Sender: TObject); begin clicks := clicks + 1 end; "
    "begin clicks := 0; F := TForm.Create(nil); F.Name := 'Order'; F.Caption := '订单'; "
    "E := TEdit.Create(F); E.Parent := F; E.SetBounds(10, 10, 200, 24); "
    "C := TCheckBox.Create(F); C.Parent := F; C.Top := 40; C.Caption := '加急'; "
    "B := TButton.Create(F); B.Parent := F; B.Top := 70; B.Caption := '确定'; B.ModalResult := mrOk; "
    "B.OnClick := 'BClick'; "
    "ShowMessage(IntToStr(F.ShowModal)); ShowMessage(E.Text + ' ' + BoolToStr(C.Checked) + ' ' + IntToStr(clicks)) end.";

}  // namespace

TEST(ScriptForms, ModalFormTypedIntoAndClosedByItsButton)
{
    GuiScript t(kOrderForm);
    t.answers.expectModal("Order", [](QDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&dialog] {
            auto* edit = dialog.findChild<QLineEdit*>();
            edit->setFocus();
            typeText(edit, QStringLiteral("中文 ok"));
            QTest::mouseClick(dialog.findChild<QCheckBox*>(), Qt::LeftButton, {}, QPoint(6, 8));
            QTest::mouseClick(dialog.findChild<QPushButton*>(), Qt::LeftButton);
        });
        return dialog.exec();
    });
    EXPECT_EQ(t.run(), "1|中文 ok -1 1|");
    delete t.object<TForm>("F");
}

TEST(ScriptForms, CloseQueryKeepsTheFormOpen)
{
    // The first close is refused, the second allowed; OnClose sees caHide.
    GuiScript t("var F: TForm; asked: Integer; act: Integer; "
                "procedure Q(Sender: TObject; var CanClose: Boolean); begin asked := asked + 1; CanClose := asked > 1 end; "
                "procedure X(Sender: TObject; var Action: Integer); begin act := Action end; "
                "begin asked := 0; F := TForm.Create(nil); F.OnCloseQuery := 'Q'; F.OnClose := 'X'; F.Show end.");
    EXPECT_EQ(t.run(), "");
    TForm* form = t.object<TForm>("F");
    ASSERT_TRUE(form && form->Window()->isVisible());
    form->Window()->close();
    EXPECT_TRUE(form->Window()->isVisible());
    EXPECT_TRUE(form->Visible());
    form->Window()->close();
    EXPECT_FALSE(form->Window()->isVisible());
    EXPECT_EQ(t.var("asked") + t.var("act"), "21");
    delete form;
}

TEST(ScriptForms, RefusedModalResultKeepsTheModalLoopGoing)
{
    GuiScript t("var F: TForm; B: TButton; n: Integer; "
                "procedure Q(Sender: TObject; var CanClose: Boolean); begin n := n + 1; CanClose := n > 1 end; "
                "begin n := 0; F := TForm.Create(nil); F.Name := 'Ask'; F.OnCloseQuery := 'Q'; "
                "B := TButton.Create(F); B.Parent := F; B.ModalResult := mrYes; "
                "ShowMessage(IntToStr(F.ShowModal) + ' ' + IntToStr(n)) end.");
    t.answers.expectModal("Ask", [&t](QDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&dialog, &t] {
            auto* button = dialog.findChild<QPushButton*>();
            QTest::mouseClick(button, Qt::LeftButton);
            // After the refusal the loop goes on and the result is cleared.
            QTimer::singleShot(0, &dialog, [button, &t] {
                EXPECT_EQ(t.object<TForm>("F")->ModalResult(), mrNone);
                QTest::mouseClick(button, Qt::LeftButton);
            });
        });
        return dialog.exec();
    });
    EXPECT_EQ(t.run(), "6 2|");
    delete t.object<TForm>("F");
}

TEST(ScriptForms, EscapeClicksTheCancelButtonAndClosingMeansCancel)
{
    GuiScript t("var F: TForm; B: TButton; "
                "begin F := TForm.Create(nil); F.Name := 'Esc'; B := TButton.Create(F); B.Parent := F; "
                "B.Cancel := True; B.ModalResult := mrAbort; ShowMessage(IntToStr(F.ShowModal)); "
                "B.Free; ShowMessage(IntToStr(F.ShowModal)) end.");
    t.answers.expectModal("Esc", [](QDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        return dialog.exec();
    });
    t.answers.expectModal("Esc", [](QDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.close(); });
        return dialog.exec();
    });
    EXPECT_EQ(t.run(), "3|2|");
    delete t.object<TForm>("F");
}

TEST(ScriptForms, KeysChangedOrSwallowedByHandlers)
{
    GuiScript t("var F: TForm; E: TEdit; seen: String; "
                "procedure Down(Sender: TObject; var Key: Word; Shift: Integer); "
                "begin seen := seen + IntToStr(Key) + ','; if Key = VK_F2 then Key := 0 end; "
                "procedure Press(Sender: TObject; var Key: Char); "
                "begin if Key = 'x' then Key := #0; if Key = 'y' then Key := ''; if Key = 'a' then Key := 'b' end; "
                "procedure Preview(Sender: TObject; var Key: Char); begin if Key = '1' then Key := '2' end; "
                "begin F := TForm.Create(nil); F.KeyPreview := True; F.OnKeyPress := 'Preview'; "
                "E := TEdit.Create(F); E.Parent := F; E.OnKeyDown := 'Down'; E.OnKeyPress := 'Press'; F.Show end.");
    EXPECT_EQ(t.run(), "");
    QLineEdit* edit = t.object<TForm>("F")->Window()->findChild<QLineEdit*>();
    ASSERT_TRUE(edit);
    typeText(edit, QStringLiteral("xyza1c"));
    pressKey(edit, Qt::Key_Return, QStringLiteral("\r"));
    pressKey(edit, Qt::Key_F2);
    EXPECT_EQ(edit->text().toStdString(), "zb2c");
    EXPECT_EQ(t.var("seen"), "88,89,90,65,49,67,13,113,");
    delete t.object<TForm>("F");
}

TEST(ScriptForms, ResizeInsideItsOwnHandlerRunsItOnce)
{
    GuiScript t("var F: TForm; n: Integer; "
                "procedure R(Sender: TObject); begin n := n + 1; F.ClientWidth := F.ClientWidth + 10 end; "
                "begin n := 0; F := TForm.Create(nil); F.Show; F.OnResize := 'R' end.");
    EXPECT_EQ(t.run(), "");
    TForm* form = t.object<TForm>("F");
    form->SetClientWidth(400);
    EXPECT_EQ(t.var("n"), "1");
    EXPECT_EQ(form->ClientWidth(), 410);
    EXPECT_EQ(form->Window()->width(), 410);
    delete form;
}

TEST(ScriptForms, EventsAfterTheScriptIsGoneRunNothing)
{
    std::unique_ptr<TForm> form;
    TButton* button = nullptr;
    {
        GuiScript t("var F: TForm; B: TButton; procedure Click(Sender: TObject); begin ShowMessage('x') end; "
                    "begin F := TForm.Create(nil); B := TButton.Create(F); B.Parent := F; B.OnClick := 'Click'; F.Show end.");
        EXPECT_EQ(t.run(), "");
        form.reset(t.object<TForm>("F"));
        button = t.object<TButton>("B");
    }
    EXPECT_FALSE(button->OnClick);
    auto* push = form->Window()->findChild<QPushButton*>();
    QTest::mouseClick(push, Qt::LeftButton);  // no script, no handler, no crash
}

TEST(ScriptForms, WidgetDeletedByQtLeavesASafeControl)
{
    GuiScript t("var F: TForm; E: TEdit; "
                "procedure After; begin E.Text := 'b'; E.Width := 50; E.Visible := True; ShowMessage('[' + E.Text + ']'); "
                "E.Free; ShowMessage('freed') end; "
                "begin F := TForm.Create(nil); E := TEdit.Create(F); E.Parent := F; E.Text := 'a' end.");
    EXPECT_EQ(t.run(), "");
    delete t.object<TEdit>("E")->Widget();
    t.script.CallFunction("After");
    EXPECT_EQ(t.ui.lines, "[]|freed|");
    delete t.object<TForm>("F");
}

TEST(ScriptForms, CanvasDrawingOutsidePaintShowsAtTheNextPaint)
{
    GuiScript t("var F: TForm; procedure P(Sender: TObject); begin F.Canvas.Pen.Color := clBlue; "
                "F.Canvas.Brush.Color := clBlue; F.Canvas.Rectangle(50, 0, 60, 10) end; "
                "begin F := TForm.Create(nil); F.ClientWidth := 100; F.ClientHeight := 40; "
                "F.Canvas.Pen.Color := clRed; F.Canvas.Brush.Color := clRed; F.Canvas.Rectangle(0, 0, 10, 10); "
                "F.Canvas.Brush.Style := bsClear; F.Canvas.Font.Color := clBlack; F.Canvas.TextOut(10, 20, '画布'); "
                "F.OnPaint := 'P' end.");
    EXPECT_EQ(t.run(), "");
    TForm* form = t.object<TForm>("F");
    const QImage shot = form->Window()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(55, 5), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(95, 35), ToQColor(clBtnFace));
    int dark = 0;
    for (int y = 20; y < 40; ++y)
        for (int x = 10; x < 40; ++x) dark += shot.pixelColor(x, y).lightness() < 100;
    EXPECT_GT(dark, 10);  // the text is there
    delete form;
}

TEST(ScriptForms, ControlsReadBackWhatScriptsSet)
{
    struct Case {
        const char* body;
        const char* expected;
    };
    const Case cases[] = {
        {"M := TMemo.Create(F); M.Parent := F; M.Lines.Add('一'); M.Lines.Add('two'); M.Lines.Insert(0, 'zero'); "
         "ShowMessage(IntToStr(M.Lines.Count) + M.Lines[1] + '|' + M.Lines.Text)",
         "3一|zero\r\n一\r\ntwo\r\n|"},
        {"CB := TComboBox.Create(F); CB.Parent := F; CB.Items.Add('b'); CB.Items.Add('a'); CB.ItemIndex := 1; "
         "ShowMessage(CB.Text + IntToStr(CB.ItemIndex)); CB.Text := 'free'; ShowMessage(CB.Text + IntToStr(CB.ItemIndex)); "
         "CB.Style := csDropDownList; CB.Text := 'b'; ShowMessage(IntToStr(CB.ItemIndex))",
         "a1|free-1|0|"},
        {"L := TListBox.Create(F); L.Parent := F; L.Items.CommaText := 'x,y,z'; L.MultiSelect := True; "
         "L.Selected[0] := True; L.Selected[2] := True; ShowMessage(IntToStr(L.SelCount) + BoolToStr(L.Selected[1])); "
         "ShowMessage(BoolToStr(L.Selected[3]))",
         "20|EListError: List index out of bounds (3)"},
    };
    for (const Case& c : cases) {
        const std::string text = std::string("var F: TForm; M: TMemo; CB: TComboBox; L: TListBox; begin "
                                             "F := TForm.Create(nil); ") +
                                 c.body + "; F.Free end.";
        GuiScript t(text);
        EXPECT_EQ(t.run(), c.expected) << c.body;
    }
}

TEST(ScriptForms, AlignmentAndAnchorsFollowTheParent)
{
    GuiScript t("var F: TForm; T, C: TScrollBox; B: TButton; begin F := TForm.Create(nil); "
                "F.ClientWidth := 300; F.ClientHeight := 200; T := TScrollBox.Create(F); T.Parent := F; T.Height := 30; "
                "T.Align := alTop; C := TScrollBox.Create(F); C.Parent := F; C.Align := alClient; "
                "B := TButton.Create(F); B.Parent := F; B.SetBounds(200, 150, 75, 25); B.Anchors := akRight + akBottom; "
                "F.ClientWidth := 400; F.ClientHeight := 300; "
                "ShowMessage(IntToStr(T.Width) + ' ' + IntToStr(C.Top) + ' ' + IntToStr(C.Height) + ' ' + "
                "IntToStr(B.Left) + ' ' + IntToStr(B.Top)); F.Free end.");
    EXPECT_EQ(t.run(), "400 30 270 300 250|");
}

TEST(ScriptForms, FormFreedByItsOwnButton)
{
    GuiScript t("var F: TForm; B: TButton; procedure Bye(Sender: TObject); begin F.Free end; "
                "begin F := TForm.Create(nil); B := TButton.Create(F); B.Parent := F; B.OnClick := 'Bye'; F.Show end.");
    EXPECT_EQ(t.run(), "");
    QPointer<QDialog> window = t.object<TForm>("F")->Window();
    QTest::mouseClick(window->findChild<QPushButton*>(), Qt::LeftButton);
    EXPECT_EQ(t.object<TForm>("F"), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST(ScriptForms, MouseEventsCarryButtonShiftAndPosition)
{
    GuiScript t("var F: TForm; P: TCustomControl; log: String; "
                "procedure D(Sender: TObject; Button, Shift, X, Y: Integer); "
                "begin log := log + 'd' + IntToStr(Button) + ',' + IntToStr(Shift) + ',' + IntToStr(X) + ',' + IntToStr(Y) + ' ' end; "
                "procedure U(Sender: TObject; Button, Shift, X, Y: Integer); begin log := log + 'u' + IntToStr(Button) + ' ' end; "
                "procedure C(Sender: TObject); begin log := log + 'c ' end; "
                "procedure DC(Sender: TObject); begin log := log + 'dc ' end; "
                "begin F := TForm.Create(nil); P := TCustomControl.Create(F); P.Parent := F; P.SetBounds(10, 10, 50, 50); "
                "P.OnMouseDown := 'D'; P.OnMouseUp := 'U'; P.OnClick := 'C'; P.OnDblClick := 'DC'; F.Show end.");
    EXPECT_EQ(t.run(), "");
    QWidget* panel = t.object<TCustomControl>("P")->Widget();
    QTest::mouseClick(panel, Qt::RightButton, Qt::ShiftModifier, QPoint(3, 4));
    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(5, 6));
    EXPECT_EQ(t.var("log"), "d1,17,3,4 u1 d0,8,5,6 u0 c ");
    delete t.object<TForm>("F");
}

TEST(ScriptForms, FontsFollowTheParentUntilSetThemselves)
{
    GuiScript t("var F: TForm; E, G: TEdit; begin F := TForm.Create(nil); E := TEdit.Create(F); E.Parent := F; "
                "G := TEdit.Create(F); G.Parent := F; F.Font.Size := 14; G.Font.Color := clRed; F.Font.Size := 20; "
                "ShowMessage(IntToStr(E.Font.Size) + ' ' + BoolToStr(E.ParentFont) + ' ' + IntToStr(G.Font.Size) + ' ' + "
                "BoolToStr(G.ParentFont)); F.Free end.");
    EXPECT_EQ(t.run(), "20 -1 14 0|");
}

TEST(ScriptForms, ProgramAndUserChangesFireAsOnThePlatform)
{
    // Checking a box from the program clicks it; selecting a combo item
    // from the program is no change, selecting it by hand is.
    GuiScript t("var F: TForm; C: TCheckBox; CB: TComboBox; log: String; "
                "procedure Clicked(Sender: TObject); begin log := log + 'click ' end; "
                "procedure Changed(Sender: TObject); begin log := log + 'change ' end; "
                "procedure Opened(Sender: TObject); begin log := log + 'open ' end; "
                "procedure Closed(Sender: TObject); begin log := log + 'close ' end; "
                "begin F := TForm.Create(nil); C := TCheckBox.Create(F); C.Parent := F; C.OnClick := 'Clicked'; "
                "C.Checked := True; C.Checked := True; CB := TComboBox.Create(F); CB.Parent := F; CB.Style := csDropDownList; "
                "CB.Items.CommaText := 'a,b'; CB.OnChange := 'Changed'; CB.OnDropDown := 'Opened'; CB.OnCloseUp := 'Closed'; "
                "CB.ItemIndex := 1; F.Show; CB.DroppedDown := True; CB.DroppedDown := False end.");
    EXPECT_EQ(t.run(), "");
    auto* combo = t.object<TComboBox>("CB")->Widget();
    QTest::keyClick(combo, Qt::Key_Up);
    EXPECT_EQ(t.var("log"), "click open close change ");
    EXPECT_EQ(t.object<TComboBox>("CB")->ItemIndex(), 0);
    delete t.object<TForm>("F");
}

TEST(ScriptForms, ClosingWithCaFreeFreesTheFormAfterwards)
{
    GuiScript t("var F: TForm; procedure X(Sender: TObject; var Action: Integer); begin Action := caFree end; "
                "begin F := TForm.Create(nil); F.OnClose := 'X'; F.Show; F.Close; "
                "ShowMessage(BoolToStr(F.Visible)); F.Show; F.ShowModal end.");
    // The form is gone once the events under way are done, so the script
    // still reaches it right after Close.
    EXPECT_EQ(t.run(), "0|EInvalidOperation: Cannot make a visible window modal");
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(t.object<TForm>("F"), nullptr);
}

TEST(ScriptForms, ControlPropertiesAndTheirRules)
{
    struct Case {
        const char* body;
        const char* expected;
    };
    const Case cases[] = {
        // A control is a window only inside a parent; a parent loop is refused.
        {"E.Visible := True; ShowMessage(BoolToStr(E.Visible)); F.Show; E.Parent := F; E.Parent := nil; "
         "G.Parent := F; E.Parent := G; G.Parent := E",
         "-1|EInvalidOperation: A control cannot be its own parent"},
        {"E.CharCase := ecUpperCase; E.Text := 'abc中'; E.MaxLength := 6; E.PasswordChar := '*'; "
         "ShowMessage(E.Text + IntToStr(E.MaxLength) + E.PasswordChar)",
         "ABC中6*|"},
        {"E.Parent := F; G.Parent := F; ShowMessage(IntToStr(E.TabOrder) + IntToStr(G.TabOrder)); G.TabOrder := 0; "
         "ShowMessage(IntToStr(E.TabOrder) + IntToStr(G.TabOrder))",
         "01|10|"},
        {"L.Parent := F; L.Caption := '一个很长的标签文字'; ShowMessage(BoolToStr(L.Width > 65)); L.AutoSize := False; "
         "L.Caption := 'x'; ShowMessage(BoolToStr(L.Width > 65))",
         "-1|-1|"},
        {"Application.Title := '发货'; ShowMessage(Application.Title + BoolToStr(Length(Application.ExeName) > 0))",
         "发货-1|"},
        {"F.BorderStyle := bsDialog; F.Position := poScreenCenter; F.ClientWidth := 200; F.Show; "
         "ShowMessage(IntToStr(F.ClientWidth) + ' ' + BoolToStr(F.Left > 0))",
         "200 -1|"},
    };
    for (const Case& c : cases) {
        GuiScript t(std::string("var F: TForm; E: TEdit; G: TGroupBox; L: TLabel; begin F := TForm.Create(nil); "
                                "E := TEdit.Create(F); G := TGroupBox.Create(F); L := TLabel.Create(F); ") +
                    c.body + "; F.Free end.");
        EXPECT_EQ(t.run(), c.expected) << c.body;
        delete t.object<TForm>("F");
    }
}

TEST(ScriptForms, MemoLeavesReturnToTheDefaultButtonWhenAsked)
{
    GuiScript t("var F: TForm; M: TMemo; B: TButton; "
                "begin F := TForm.Create(nil); F.Name := 'Memo'; M := TMemo.Create(F); M.Parent := F; M.WantReturns := False; "
                "B := TButton.Create(F); B.Parent := F; B.Default := True; B.ModalResult := mrOk; "
                "ShowMessage(IntToStr(F.ShowModal) + '[' + M.Lines.Text + ']') end.");
    t.answers.expectModal("Memo", [](QDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&dialog] {
            auto* memo = dialog.findChild<QPlainTextEdit*>();
            typeText(memo, QStringLiteral("ab"));
            pressKey(memo, Qt::Key_Return, QStringLiteral("\r"));
        });
        return dialog.exec();
    });
    EXPECT_EQ(t.run(), "1[ab\r\n]|");
    delete t.object<TForm>("F");
}

TEST(ScriptForms, KeyCodesBothWays)
{
    // Every key constant scripts know that Qt has comes back as itself.
    const std::pair<uint16_t, int> keys[] = {
        {8, Qt::Key_Backspace}, {9, Qt::Key_Tab},     {13, Qt::Key_Return},  {16, Qt::Key_Shift},  {17, Qt::Key_Control},
        {18, Qt::Key_Alt},      {19, Qt::Key_Pause},  {20, Qt::Key_CapsLock}, {27, Qt::Key_Escape}, {32, Qt::Key_Space},
        {33, Qt::Key_PageUp},   {34, Qt::Key_PageDown}, {35, Qt::Key_End},   {36, Qt::Key_Home},    {37, Qt::Key_Left},
        {38, Qt::Key_Up},       {39, Qt::Key_Right},  {40, Qt::Key_Down},    {45, Qt::Key_Insert},  {46, Qt::Key_Delete},
        {47, Qt::Key_Help},     {91, Qt::Key_Meta},   {93, Qt::Key_Menu},    {112, Qt::Key_F1},     {123, Qt::Key_F12},
        {144, Qt::Key_NumLock}, {145, Qt::Key_ScrollLock}, {'A', Qt::Key_A}, {'Z', Qt::Key_Z},     {'0', Qt::Key_0},
        {'9', Qt::Key_9},
    };
    for (const auto& [vk, qt] : keys) {
        EXPECT_EQ(QtKeyToVK(qt, false), vk) << vk;
        EXPECT_EQ(VKToQtKey(vk), qt) << vk;
    }
    EXPECT_EQ(QtKeyToVK(Qt::Key_Enter, false), 13);
    EXPECT_EQ(QtKeyToVK(Qt::Key_5, true), 101);  // VK_NUMPAD5
    EXPECT_EQ(QtKeyToVK(Qt::Key_Plus, true), 107);
    EXPECT_EQ(QtKeyToVK(Qt::Key_unknown, false), 0);
    EXPECT_EQ(VKToQtKey(2), Qt::Key_unknown);  // VK_RBUTTON is no key
}

TEST(ScriptForms, FailingOnDestroyIsShownNotFatal)
{
    GuiScript t("var F: TForm; procedure D(Sender: TObject); begin RaiseException('boom') end; "
                "begin F := TForm.Create(nil); F.OnDestroy := 'D'; F.Free; ShowMessage('after') end.");
    t.answers.expectMessage(gui::MsgResult::Ok, QStringLiteral("boom"));
    EXPECT_EQ(t.run(), "after|");
}
