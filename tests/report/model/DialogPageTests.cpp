// Dialog pages: what they store in report files, their form, the events
// that run the report's handlers, and the dialog components and controls.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>

#include <functional>

#include "ModelTestUtil.h"
#include "ScriptedUiServices.h"
#include "rpDesignView.h"
#include "rpDialogControls.h"
#include "rpDialogForm.h"
#include "sc_interpreter.h"

using namespace model_test;

namespace {

const char* const kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
const std::string kDialogReport = std::string(kXmlDeclaration) +
    "<TrpReport><TrpDialogPage Name=\"DialogPage1\" Caption=\"请选择日期\" Height=\"240\" Left=\"200\" Top=\"150\" "
    "Width=\"360\" OnShow=\"DialogPage1OnShow\"/></TrpReport>";

// The attributes of the first element of that name in saved report XML.
std::string element(const std::string& xml, const std::string& name)
{
    const size_t at = xml.find("<" + name + " ");
    if (at == std::string::npos) return std::string();
    return xml.substr(at, xml.find('>', at) - at);
}

// A report with one dialog page and an edit on it, a script, and scripted
// answers that run the page's form modally (really, offscreen) while a
// step acts on it.
struct DialogReport {
    TrpReport report;
    TrpDialogPage* page = new TrpDialogPage(&report);
    TrpEditControl* edit = new TrpEditControl(page);
    gui::ScriptedUiServices ui;

    DialogReport()
    {
        page->SetName("DialogPage1");
        edit->SetName("Edit1");
        ui.setFailureHandler([](const QString& f) { ADD_FAILURE() << f.toStdString(); });
    }

    void script(const char* text)
    {
        TStringList lines;
        lines.SetText(text);
        report.SetScriptText(&lines);
        ASSERT_TRUE(report.PrepareScript()) << report.Script()->ErrorMsg << " at " << report.Script()->ErrorPos;
    }

    Variant value(const char* name) { return report.Script()->Find(name)->GetValue(); }

    // ShowModal with the step run once the modal loop is under way; a
    // dialog still open after 5 s ends with mrAbort.
    int showModal(std::function<void(QDialog&)> step = {})
    {
        ui.expectModal("DialogPage1", [step](QDialog& d) {
            if (step) QTimer::singleShot(0, &d, [&d, step] { step(d); });
            QTimer::singleShot(5000, &d, [&d] { d.done(mrAbort); });
            return d.exec();
        });
        gui::ScopedUi scope(ui);
        return page->ShowModal();
    }
};

QWidget* widgetOf(TrpDialogControl* control)
{
    return control->Control()->Widget();
}

}  // namespace

// ---------------------------------------------------------------- storage

TEST(DialogPageStorage, StoredPropertiesSurviveLoadAndSave)
{
    TrpReport report;
    loadXml(report, kDialogReport);
    ASSERT_EQ(report.Errors.Count(), 0) << report.Errors.Text();
    auto* page = dynamic_cast<TrpDialogPage*>(report.FindObject("DialogPage1"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Caption(), "请选择日期");
    EXPECT_EQ(page->OnShow, "DialogPage1OnShow");

    const std::string saved = element(saveXml(report), "TrpDialogPage");
    for (const char* attribute : {"Name=\"DialogPage1\"", "Caption=\"请选择日期\"", "Height=\"240\"", "Left=\"200\"",
                                  "Top=\"150\"", "Width=\"360\"", "OnShow=\"DialogPage1OnShow\""})
        EXPECT_NE(saved.find(attribute), std::string::npos) << attribute << " missing from " << saved;

    // And once more through a second report: nothing drifts.
    TrpReport again;
    loadXml(again, saveXml(report));
    EXPECT_EQ(element(saveXml(again), "TrpDialogPage"), saved);
}

TEST(DialogPageStorage, TreeTextShowsTheGeometry)
{
    TrpReport report;
    loadXml(report, kDialogReport);
    EXPECT_NE(ReportTreeText(report).find("  TrpDialogPage DialogPage1 (200, 150, 360, 240)\n"), std::string::npos)
        << ReportTreeText(report);
}

TEST(DialogPageStorage, PageWithControlsRoundTrips)
{
    TrpReport report;
    (new TrpDataPage(&report))->SetName("Data");
    auto* page = new TrpDialogPage(&report);
    page->SetName("DialogPage1");
    page->SetCaption("日期");
    page->SetBorderStyle(bsDialog);
    auto* edit = new TrpEditControl(page);
    edit->SetName("Edit1");
    edit->SetBounds(10, 12.5, 150, 21);
    edit->SetText("2026-12-06");
    auto* button = new TrpButtonControl(page);
    button->SetName("Button1");
    button->SetModalResult(mrOk);
    button->SetHint("继续");
    button->SetShowHint(true);
    const std::string first = saveXml(report);

    TrpReport back;
    loadXml(back, first);
    EXPECT_EQ(back.Errors.Count(), 0) << back.Errors.Text();
    EXPECT_EQ(saveXml(back), first);
    auto* loadedPage = dynamic_cast<TrpDialogPage*>(back.FindObject("DialogPage1"));
    auto* loadedEdit = dynamic_cast<TrpEditControl*>(back.FindObject("Edit1"));
    auto* loadedButton = dynamic_cast<TrpButtonControl*>(back.FindObject("Button1"));
    ASSERT_TRUE(loadedPage && loadedEdit && loadedButton);
    EXPECT_TRUE(loadedPage->HasControls());
    EXPECT_EQ(loadedEdit->Control()->Parent(), loadedPage->Form());
    EXPECT_EQ(loadedEdit->Text(), "2026-12-06");
    EXPECT_EQ(loadedEdit->Control()->Top(), 12);  // 12.5 rounds to even
    EXPECT_EQ(loadedButton->Text(), "Button1");
    EXPECT_EQ(loadedButton->ModalResult(), mrOk);
    EXPECT_EQ(loadedButton->Control()->Hint(), "继续");
    EXPECT_EQ(loadedPage->Form()->GetText(), "日期");
}

TEST(DialogPageStorage, WidthReadWhileLoadingLeavesAGivenClientSize)
{
    TrpReport report;
    loadXml(report, std::string(kXmlDeclaration) + "<TrpReport><TrpDialogPage Name=\"D\" ClientWidth=\"300\" Width=\"999\" ClientHeight=\"200\" "
                    "Height=\"5\"/></TrpReport>");
    auto* page = dynamic_cast<TrpDialogPage*>(report.FindObject("D"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Form()->ClientWidth(), 300);
    EXPECT_EQ(page->Form()->ClientHeight(), 200);
    EXPECT_EQ(page->Width(), 999);
    // Once loaded, Width sizes the form again.
    page->SetWidth(400);
    EXPECT_EQ(page->Form()->Width(), 400);
}

TEST(DialogPageStorage, APageTooLargeForAWindowIsRefusedAsSuch)
{
    // From the file and from a script alike; the page keeps a size it can
    // have, and a wide page after a tall one stays drawable.
    TrpReport report;
    report.EngineOptions()->BackgroundMode = true;
    loadXml(report, std::string(kXmlDeclaration) + "<TrpReport><TrpDialogPage Name=\"D\" Width=\"90000\" "
                    "Height=\"300\"/></TrpReport>");
    ASSERT_EQ(report.Errors.Count(), 1) << report.Errors.Text();
    const std::string error = report.Errors.Strings(0);
    EXPECT_EQ(error.rfind("D.Width: a window of 90000 x ", 0), 0u) << error;
    EXPECT_NE(error.find(" pixels is too large"), std::string::npos) << error;
    auto* page = dynamic_cast<TrpDialogPage*>(report.FindObject("D"));
    ASSERT_NE(page, nullptr);
    EXPECT_LT(page->Form()->ClientWidth(), 1000);
    EXPECT_THROW(page->SetClientWidth(40000), EInvalidOperation);
    EXPECT_THROW(page->SetClientHeight(40000), EInvalidOperation);
    page->SetClientHeight(30000);
    page->SetClientHeight(10);
    page->SetClientWidth(30000);
    EXPECT_EQ(page->Form()->ClientWidth(), 30000);
    EXPECT_NE(page->Form()->Canvas(), nullptr);
}

TEST(DialogPageStorage, ComponentPositionGoesIntoPropDataOnlyInAReport)
{
    Sample s;
    auto* data = new TrpUserDataSet(s.data);
    data->SetName("Rows");
    data->SetBounds(10.6, 20.4, 5, 5);
    const std::string saved = element(saveXml(*s.report), "TrpUserDataSet");
    EXPECT_NE(saved.find("PropData="), std::string::npos) << saved;
    TrpReport back;
    loadXml(back, saveXml(*s.report));
    auto* loaded = dynamic_cast<TrpUserDataSet*>(back.FindObject("Rows"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Left(), 11);
    EXPECT_EQ(loaded->Top(), 20);
    EXPECT_EQ(loaded->Width(), 28);

    TrpUserDataSet alone;
    alone.SetLeft(10.6);
    TrpXMLSerializer writer;
    EXPECT_EQ(writer.ObjToXML(&alone).find("PropData"), std::string::npos);
    EXPECT_EQ(alone.ComponentStyle() & rpcsPageContent, 0u);

    // A position out of the integers' range is stored at the edge instead
    // of failing the save.
    data->SetBounds(1e300L, -1e300L, 0, 0);
    std::string far;
    ASSERT_NO_THROW(far = saveXml(*s.report));
    TrpReport farBack;
    loadXml(farBack, far);
    EXPECT_EQ(farBack.FindObject("Rows")->Left(), QWIDGETSIZE_MAX);
    EXPECT_EQ(farBack.FindObject("Rows")->Top(), -QWIDGETSIZE_MAX);
}

// ---------------------------------------------------------------- the form

TEST(DialogPageForm, MadeInTheBackgroundItSkipsItsDefinition)
{
    TrpReport report;
    report.EngineOptions()->BackgroundMode = true;
    auto* background = new TrpDialogPage(&report);
    EXPECT_TRUE(background->Form()->ThreadSafe);
    EXPECT_EQ(background->Tag(), 0);
    EXPECT_EQ(background->Form()->GetText(), "");
    EXPECT_TRUE(background->Form()->KeyPreview());

    report.EngineOptions()->BackgroundMode = false;
    auto* plain = new TrpDialogPage(&report);
    EXPECT_FALSE(plain->Form()->ThreadSafe);
    EXPECT_EQ(plain->Tag(), 0);
    EXPECT_EQ(plain->Form()->GetText(), " ");
    EXPECT_EQ(plain->Form()->Font()->Name(), "Tahoma");
    EXPECT_EQ(plain->Form()->Color(), clBtnFace);
}

TEST(DialogPageForm, ClientSizeMakesWidthAndHeightTheOuterSize)
{
    TrpReport report;
    auto* page = new TrpDialogPage(&report);
    page->SetClientWidth(300);
    page->SetClientHeight(200.4);
    EXPECT_EQ(page->ClientWidth(), 300);
    EXPECT_EQ(page->ClientHeight(), 200);
    EXPECT_EQ(page->Width(), page->Form()->Width());
    EXPECT_EQ(page->Height(), page->Form()->Height());
    EXPECT_GE(page->Width(), 300);

    // On screen the frame counts too.
    page->Form()->Show();
    page->SetClientWidth(250);
    EXPECT_EQ(page->Width(), page->Form()->Window()->frameGeometry().width());
    EXPECT_EQ(page->ClientWidth(), 250);
    page->Form()->Hide();
}

TEST(DialogPageForm, GeometryCaptionColourAndFontReachTheForm)
{
    TrpReport report;
    auto* page = new TrpDialogPage(&report);
    page->SetBounds(10.5, 20.5, 300.4, 200.6);
    EXPECT_EQ(page->Form()->Left(), 10);
    EXPECT_EQ(page->Form()->Top(), 20);
    EXPECT_EQ(page->Form()->Width(), 300);
    EXPECT_EQ(page->Form()->Height(), 201);
    page->SetCaption("选择");
    EXPECT_EQ(page->Form()->Window()->windowTitle(), "选择");
    page->SetColor(clWhite);
    EXPECT_EQ(page->Form()->Color(), clWhite);
    page->Font()->SetSize(12);
    EXPECT_EQ(page->Form()->Font()->Size(), 12);
    // A report file may hold any number.
    page->SetLeft(1e300L);
    EXPECT_EQ(page->Form()->Left(), QWIDGETSIZE_MAX);
}

TEST(DialogPageForm, HandlersSetTheModalResultAndTheFormStaysOnTopAfterwards)
{
    DialogReport d;
    d.page->OnShow = "DialogPage1OnShow";
    d.report.EngineOptions()->DestroyForms = false;
    d.script("procedure DialogPage1OnShow(Sender: TObject);\nbegin\n  TForm(Sender).ModalResult := mrOk;\nend;\n"
             "begin\nend.");
    EXPECT_EQ(d.showModal(), mrOk);
    EXPECT_EQ(d.page->Form()->FormStyle(), fsStayOnTop);
    EXPECT_TRUE(d.page->Form()->Window()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(d.page->Form()->Window()->isVisible());
    // Shown again: normal while it runs, the border style of the page.
    d.page->SetBorderStyle(bsDialog);
    EXPECT_EQ(d.showModal([&](QDialog& w) {
                  EXPECT_FALSE(w.windowFlags() & Qt::WindowStaysOnTopHint);
                  EXPECT_EQ(d.page->Form()->BorderStyle(), bsDialog);
              }),
              mrOk);
}

TEST(DialogPageForm, HandlersRunOnlyWhileTheEngineRunsUnlessFormsAreKept)
{
    DialogReport d;
    d.page->OnShow = "DialogPage1OnShow";
    d.page->OnHide = "DialogPage1OnHide";
    d.script("var Shown, Hidden: Integer;\n"
             "procedure DialogPage1OnShow(Sender: TObject);\nbegin\n  Shown := Shown + 1;\nend;\n"
             "procedure DialogPage1OnHide(Sender: TObject);\nbegin\n  Hidden := Hidden + 1;\nend;\n"
             "begin\nend.");
    const auto cancel = [&](QDialog&) { d.page->SetModalResult(mrCancel); };
    ASSERT_TRUE(d.report.EngineOptions()->DestroyForms);
    EXPECT_EQ(d.showModal(cancel), mrCancel);
    EXPECT_EQ(d.value("Shown").toInt(), 0);
    EXPECT_EQ(d.value("Hidden").toInt(), 0);

    d.report.Engine()->Running = true;
    EXPECT_EQ(d.showModal(cancel), mrCancel);
    EXPECT_EQ(d.value("Shown").toInt(), 1);
    EXPECT_EQ(d.value("Hidden").toInt(), 1);
    d.report.Engine()->Running = false;

    d.report.EngineOptions()->DestroyForms = false;
    EXPECT_EQ(d.showModal(cancel), mrCancel);
    EXPECT_EQ(d.value("Shown").toInt(), 2);
}

TEST(DialogPageForm, CloseQueryHandlerDecidesAndWithoutOneTheCloseBoxCloses)
{
    DialogReport d;
    d.report.EngineOptions()->DestroyForms = false;
    d.page->OnCloseQuery = "DialogPage1OnCloseQuery";
    d.script("var Asked: Integer;\n"
             "procedure DialogPage1OnCloseQuery(Sender: TObject; var CanClose: Boolean);\n"
             "begin\n  Asked := Asked + 1;\n  CanClose := Asked > 1;\nend;\nbegin\nend.");
    EXPECT_EQ(d.showModal([&](QDialog& w) {
                  d.page->SetModalResult(mrOk);
                  QTimer::singleShot(10, &w, [&] {
                      EXPECT_TRUE(w.isVisible());
                      EXPECT_EQ(d.page->ModalResult(), mrNone);
                      d.page->SetModalResult(mrYes);
                  });
              }),
              mrYes);
    EXPECT_EQ(d.value("Asked").toInt(), 2);

    // The form's own definition refuses the close box; the page's wiring
    // lets it close when the report names no handler.
    d.page->OnCloseQuery.clear();
    EXPECT_EQ(d.showModal([](QDialog& w) { w.close(); }), mrCancel);
}

TEST(DialogPageForm, KeysReachThePageBeforeTheControlWithPlatformCodes)
{
    DialogReport d;
    d.report.EngineOptions()->DestroyForms = false;
    d.page->OnKeyDown = "DialogPage1OnKeyDown";
    d.page->OnKeyPress = "DialogPage1OnKeyPress";
    d.script("var Downs: String;\n"
             "procedure DialogPage1OnKeyDown(Sender: TObject; var Key: Word; Shift: Integer);\n"
             "begin\n  Downs := Downs + IntToStr(Key) + '/' + IntToStr(Shift) + ' ';\n"
             "  if Key = VK_F2 then Key := 0;\nend;\n"
             "procedure DialogPage1OnKeyPress(Sender: TObject; var Key: Char);\n"
             "begin\n  if Key = 'x' then Key := '';\n  if Key = 'a' then Key := 'b';\nend;\n"
             "begin\nend.");
    d.showModal([&](QDialog&) {
        QWidget* line = widgetOf(d.edit);
        line->setFocus();
        QTest::keyClick(line, Qt::Key_A);
        QTest::keyClick(line, Qt::Key_X);
        QTest::keyClick(line, Qt::Key_C);
        QTest::keyClick(line, Qt::Key_F2, Qt::ShiftModifier);
        QTest::keyClick(line, Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier);
        d.page->SetModalResult(mrOk);
    });
    EXPECT_EQ(d.edit->Text(), "bc");
    // The modifiers go down first, as keys of their own.
    EXPECT_EQ(d.value("Downs").toString(), "65/0 88/0 67/0 16/0 113/1 17/0 18/4 37/6 ");
}

TEST(DialogPageForm, ActivationUpdatesTheBoundsAndCallsTheControlsHooks)
{
    DialogReport d;
    d.page->SetBounds(0, 0, 300, 200);
    TObject* hookedWith = nullptr;
    d.edit->ActivateHook = [&](TObject* sender) { hookedWith = sender; };
    d.showModal([&](QDialog& w) {
        w.activateWindow();
        QTimer::singleShot(50, &w, [&] { d.page->SetModalResult(mrOk); });
    });
    EXPECT_EQ(hookedWith, d.page);
    // Centred on the screen: the page took the form's place.
    EXPECT_EQ(d.page->Left(), d.page->Form()->Left());
    EXPECT_GT(d.page->Left(), 0);
}

TEST(DialogPageForm, FreedWithItsControls)
{
    TrpReport report;
    auto* page = new TrpDialogPage(&report);
    auto* edit = new TrpEditControl(page);
    Ref<TControl> control(edit->Control());
    EXPECT_TRUE(page->HasControls());
    delete page;
    EXPECT_FALSE(control);
    EXPECT_EQ(report.FindObject(""), nullptr);
}

// ---------------------------------------------------------------- components and controls

TEST(DialogComponentDrawing, BoxAtItsOwnRoundedPositionWhateverTheZoom)
{
    for (const Extended zoom : {1.0L, 2.5L}) {
        TrpReport report;
        auto* data = new TrpDataPage(&report);
        auto* dataset = new TrpUserDataSet(data);
        dataset->SetName("Rows");
        dataset->SetBounds(10.6, 20, 50, 50);
        Image image(120, 120);
        dataset->Draw(*image.canvas, zoom, zoom, 7 * zoom, 9 * zoom);
        const QImage& drawn = image.done();
        EXPECT_EQ(dataset->Width(), 28);
        EXPECT_TRUE(isColor(drawn, 11, 20, ToQColor(cl3DLight).rgb())) << zoom;
        EXPECT_TRUE(isColor(drawn, 10, 20, qRgb(255, 255, 255))) << zoom;
        EXPECT_TRUE(isColor(drawn, 11, 19, qRgb(255, 255, 255))) << zoom;
        EXPECT_TRUE(isColor(drawn, 38, 47, ToQColor(cl3DDkShadow).rgb())) << zoom;
        EXPECT_TRUE(isColor(drawn, 39, 48, qRgb(255, 255, 255))) << zoom;
        // The name below the box.
        bool named = false;
        for (int y = 52; y < 70 && !named; ++y)
            for (int x = 0; x < 60 && !named; ++x) named = !isColor(drawn, x, y, qRgb(255, 255, 255));
        EXPECT_TRUE(named) << zoom;
    }
}

TEST(DialogControls, SettersReachTheControlRounded)
{
    TrpReport report;
    auto* page = new TrpDialogPage(&report);
    auto* edit = new TrpEditControl(page);
    EXPECT_EQ(edit->Width(), 121);  // the control's own size to begin with
    edit->SetBounds(10.5, 11.5, 100.4, 20.6);
    TControl* control = edit->Control();
    EXPECT_EQ(control->Left(), 10);
    EXPECT_EQ(control->Top(), 12);
    EXPECT_EQ(control->Width(), 100);
    EXPECT_EQ(control->Height(), 21);
    EXPECT_EQ(edit->Left(), 10.5L);

    edit->SetEnabled(false);
    EXPECT_FALSE(control->Enabled());
    EXPECT_FALSE(widgetOf(edit)->isEnabled());
    control->SetEnabled(true);
    EXPECT_TRUE(edit->Enabled());
    edit->SetHint("年-月-日");
    EXPECT_EQ(widgetOf(edit)->toolTip(), "");
    edit->SetShowHint(true);
    EXPECT_EQ(widgetOf(edit)->toolTip(), "年-月-日");
    EXPECT_TRUE(control->ShowHint());
    edit->SetVisible(false);
    EXPECT_FALSE(control->Visible());

    page->Font()->SetSize(14);
    EXPECT_EQ(edit->Font()->Size(), 14);
    EXPECT_EQ(control->Font()->Size(), 14);
    edit->Font()->SetSize(9);
    EXPECT_FALSE(edit->ParentFont());
    EXPECT_EQ(control->Font()->Size(), 9);
    page->Font()->SetSize(16);
    EXPECT_EQ(control->Font()->Size(), 9);
}

TEST(DialogControls, CaptionFollowsARenameUnlessChangedByHand)
{
    TrpReport report;
    auto* page = new TrpDialogPage(&report);
    auto* button = new TrpButtonControl(page);
    button->SetName("Button1");
    EXPECT_EQ(button->Text(), "Button1");
    button->SetName("OkButton");
    EXPECT_EQ(button->Text(), "OkButton");
    auto* other = new TrpButtonControl(page);
    other->SetName("Other");
    EXPECT_THROW(button->SetName("other"), Exception);
    EXPECT_EQ(button->Text(), "OkButton");
    button->SetText("确定");
    button->SetName("B2");
    EXPECT_EQ(button->Text(), "确定");
    // An edit shows no caption: its text stays.
    auto* edit = new TrpEditControl(page);
    edit->SetName("Edit1");
    EXPECT_EQ(edit->Text(), "");

    TrpReport loaded;
    loadXml(loaded, std::string(kXmlDeclaration) + "<TrpReport><TrpDialogPage Name=\"P\"><TrpButtonControl Name=\"Go\" Caption=\"走\"/>"
                    "<TrpButtonControl Name=\"Same\"/></TrpDialogPage></TrpReport>");
    EXPECT_EQ(dynamic_cast<TrpDialogControl*>(loaded.FindObject("Go"))->Text(), "走");
    EXPECT_EQ(dynamic_cast<TrpDialogControl*>(loaded.FindObject("Same"))->Text(), "");
}

TEST(DialogControls, WindowParentFollowsTheTree)
{
    TrpReport report;
    auto* page = new TrpDialogPage(&report);
    auto* loose = new TrpEditControl(static_cast<TComponent*>(nullptr));
    Ref<TWinControl> hidden(GetParentForm());
    EXPECT_EQ(loose->Control()->Parent(), hidden.get());
    EXPECT_FALSE(page->HasControls());
    loose->SetParent(page);
    EXPECT_EQ(loose->Control()->Parent(), page->Form());
    EXPECT_TRUE(page->HasControls());
    EXPECT_FALSE(hidden) << "the hidden form goes with its last control";
    loose->SetParent(nullptr);
    EXPECT_EQ(loose->Control()->Parent(), GetParentForm());
    delete loose;
}

TEST(DialogControls, DrawnAsTheControlLooksAtTheRoundedAbsolutePosition)
{
    TrpReport report;
    auto* page = new TrpDialogPage(&report);
    page->SetBounds(100, 100, 300, 200);
    auto* button = new TrpButtonControl(page);
    button->SetName("Button1");
    button->SetText("确定");
    button->SetBounds(10.5, 20.5, 75, 25);
    Image image(120, 60);
    button->Draw(*image.canvas, 3, 3, 40, 40);
    const QImage& drawn = image.done();
    if (std::getenv("DORVAK_SAVE_PICTURES")) drawn.save("dialog_button.png");
    EXPECT_TRUE(isColor(drawn, 9, 20, qRgb(255, 255, 255)));
    EXPECT_TRUE(isColor(drawn, 10, 19, qRgb(255, 255, 255)));
    EXPECT_TRUE(isColor(drawn, 85, 45, qRgb(255, 255, 255)));
    QSet<QRgb> colours;
    for (int y = 20; y < 45; ++y)
        for (int x = 10; x < 85; ++x) colours.insert(drawn.pixel(x, y));
    EXPECT_FALSE(colours.contains(qRgb(255, 255, 255)) && colours.size() == 1);
    EXPECT_GT(colours.size(), 3) << "the caption and the frame are drawn";
}

TEST(DialogPageForm, HandlersSeeTheLiveControlsAndAButtonEndsTheDialog)
{
    DialogReport d;
    auto* button = new TrpButtonControl(d.page);
    button->SetName("Button1");
    button->SetBounds(170, 10, 75, 25);
    button->SetModalResult(mrOk);
    d.edit->SetBounds(10, 10, 150, 21);
    d.report.EngineOptions()->DestroyForms = false;
    d.page->OnShow = "DialogPage1OnShow";
    d.page->OnCloseQuery = "DialogPage1OnCloseQuery";
    d.script("var Got: String;\n"
             "procedure DialogPage1OnShow(Sender: TObject);\nbegin\n  Button1.SetFocus;\nend;\n"
             "procedure DialogPage1OnCloseQuery(Sender: TObject; var CanClose: Boolean);\n"
             "begin\n  Got := Edit1.Text + '|' + Button1.Caption;\nend;\nbegin\nend.");
    EXPECT_EQ(d.showModal([&](QDialog& w) {
                  // The edit comes first; the handler moved the focus on.
                  EXPECT_EQ(w.focusWidget(), widgetOf(button));
                  QTest::keyClicks(widgetOf(d.edit), "2026-12-06");
                  QTest::mouseClick(widgetOf(button), Qt::LeftButton);
              }),
              mrOk);
    EXPECT_EQ(d.value("Got").toString(), "2026-12-06|Button1");
}

TEST(DialogPageForm, AMoveOrResizeByTheUserRunsOnModifyOnceAndThePageFollows)
{
    DialogReport d;
    d.page->SetBounds(100, 100, 300, 200);
    int runs = 0;
    int left = 0;
    std::vector<std::string> seen;
    d.showModal([&](QDialog& w) {
        // Counted around the page's own handler, which ShowModal set.
        TrpDialogForm& form = *d.page->Form();
        const TNotifyEvent pageHandler = form.OnModify;
        form.OnModify = [&, pageHandler](TObject* sender) {
            ++runs;
            pageHandler(sender);
        };
        const QPoint start = w.pos();
        // The program moving its window is no edit by the user.
        w.move(start + QPoint(5, 5));
        QTest::qWait(20);
        seen.push_back(IntToStr(runs));
        // The window system moves and resizes it: one notification for the
        // burst, after it.
        w.move(start + QPoint(37, 21));
        w.resize(w.width() + 40, w.height() + 10);
        QMoveEvent moved(w.pos(), start);
        QResizeEvent resized(w.size(), w.size() - QSize(40, 10));
        for (QEvent* e : {static_cast<QEvent*>(&moved), static_cast<QEvent*>(&resized)}) {
            QSpontaneKeyEvent::setSpontaneous(e);
            QCoreApplication::instance()->notify(&w, e);
        }
        seen.push_back(IntToStr(runs));
        QTest::qWait(20);
        seen.push_back(IntToStr(runs));
        seen.push_back(FloatToStr(d.page->Left() - form.Left()) + " " + FloatToStr(d.page->Top() - form.Top()) + " " +
                       FloatToStr(d.page->Width() - form.Width()) + " " + FloatToStr(d.page->Height() - form.Height()));
        left = form.Left();
        d.page->SetModalResult(mrOk);
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"0", "0", "1", "0 0 0 0"}));
    // The page keeps where the user left it, and the report file says so.
    EXPECT_NE(element(saveXml(d.report), "TrpDialogPage").find(" Left=\"" + IntToStr(left) + "\""), std::string::npos);
}
