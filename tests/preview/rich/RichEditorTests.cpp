// The rich-text editor offscreen: toolbar buttons that follow and set the
// selection's attributes, ruler markers and indents both ways, the
// expression button, files, the font dialog and the clipboard through the
// UI services, OK and Cancel, and the component editors' menus.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolButton>

#include "CodePages.h"
#include "RichTestSupport.h"
#include "rpBands.h"
#include "rpCtrls.h"
#include "rpImageList.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpRich.h"
#include "rpRichDump.h"
#include "rpRichEditor.h"
#include "window/DialogTestSupport.h"

using namespace richtest;

namespace {

class RichEditorTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        page = new TrpReportPage(report.get());
        band = new TrpMasterData(page);
        view = new TrpRichView(band);
        view->SetName("Rich1");
        view->SetBounds(0, 0, 400, 100);
        view->RichEdit()->LoadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 plain {\\b bold} plain\\par second}");
    }

    // A form with the view's content, the cursor over [from, to).
    std::unique_ptr<TrpRichEditorForm> open(int from = 0, int to = 0)
    {
        auto form = std::make_unique<TrpRichEditorForm>(view);
        form->FormShow();
        select(*form, from, to);
        return form;
    }
    static void select(TrpRichEditorForm& f, int from, int to)
    {
        QTextCursor c = f.Text->textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        f.Text->setTextCursor(c);
    }
    static rich::TRichChar at(const QTextDocument& doc, int position)
    {
        QTextCursor c(const_cast<QTextDocument*>(&doc));
        c.setPosition(position + 1);
        return rich::FromCharFormat(c.charFormat());
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    TrpReportPage* page = nullptr;
    TrpMasterData* band = nullptr;
    TrpRichView* view = nullptr;
};

// Drags a marker by dx pixels with the mouse.
void Drag(QWidget* marker, int dx)
{
    const QPointF local(4, 4);
    const QPointF global = marker->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(marker, &press);
    QMouseEvent move(QEvent::MouseMove, local + QPointF(dx, 0), global + QPointF(dx, 0), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(marker, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local + QPointF(dx, 0), global + QPointF(dx, 0), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(marker, &release);
}

}  // namespace

TEST_F(RichEditorTest, StyleButtonsFollowAndSetTheSelection)
{
    auto f = open(6, 10);  // "bold"
    EXPECT_TRUE(f->BoldB->isChecked());
    EXPECT_EQ(f->FontSizeCB->currentText(), "10");
    EXPECT_EQ(f->FontNameCB->currentText(), "Arial");
    select(*f, 0, 5);  // "plain"
    EXPECT_FALSE(f->BoldB->isChecked());
    f->ItalicB->click();
    const QTextDocument& doc = f->Editor->Document();
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(at(doc, i).italic) << i;
    EXPECT_FALSE(at(doc, 5).italic);
    EXPECT_TRUE(at(doc, 6).bold);  // the rest keeps what it had
    // Strike-out has no button and survives a click.
    f->Editor->SelAttributes()->SetStyle(TFontStyles{fsItalic, fsStrikeout});
    f->BoldB->click();
    EXPECT_TRUE(at(doc, 0).strike && at(doc, 0).bold && at(doc, 0).italic);
    // With nothing selected, what is typed next takes the style.
    select(*f, 16, 16);
    f->UnderlineB->click();
    f->Text->insertPlainText(QStringLiteral("x"));
    EXPECT_TRUE(at(doc, 16).underline);
    EXPECT_TRUE(f->UnderlineB->isChecked());
    // Sizes from the box.
    select(*f, 0, 5);
    f->FontSizeCB->setEditText(QStringLiteral("14"));
    f->FontSizeCBChange();
    EXPECT_EQ(at(doc, 2).halfPoints, 28);
    f->FontSizeCB->setEditText(QStringLiteral("big"));
    EXPECT_THROW(f->FontSizeCBChange(), EConvertError);
}

TEST_F(RichEditorTest, RulerMarkersAndIndents)
{
    auto f = open();
    f->resize(625, 300);
    TReParaAttributes& para = *f->Editor->Paragraph();
    para.SetFirstIndent(10);
    f->SelectionChange();
    EXPECT_NEAR(f->FirstInd->Position(), 15.333, 0.001);
    EXPECT_NEAR(f->LeftInd->Position(), 15.333, 0.001);
    const int width = f->Ruler->width();
    EXPECT_NEAR(f->RightInd->Position(), width - 8, 0.001);
    // A marker let go where it stands keeps its indent.
    f->RulerItemMouseUp(f->FirstInd);
    EXPECT_EQ(para.FirstIndent(), 10);
    // Dragging the left marker 20 pixels: the other lines 15 points further in.
    Drag(f->LeftInd, 20);
    EXPECT_EQ(para.FirstIndent(), 10);
    EXPECT_EQ(para.LeftIndent(), 15);
    // In RTF's terms every line at 25 points, the first 15 back.
    const QTextBlockFormat b = f->Editor->Document().begin().blockFormat();
    EXPECT_NEAR(b.leftMargin(), 25 * 4 / 3.0, 0.01);
    EXPECT_NEAR(b.textIndent(), -15 * 4 / 3.0, 0.01);
    Drag(f->RightInd, -12);
    EXPECT_EQ(para.RightIndent(), 9);
    // The second paragraph has its own.
    select(*f, 20, 20);
    EXPECT_NEAR(f->FirstInd->Position(), 2, 0.001);
}

TEST_F(RichEditorTest, AlignmentAndBullets)
{
    auto f = open(0, 3);
    EXPECT_TRUE(f->LeftAlignB->isChecked());
    f->BlockAlignB->click();
    EXPECT_EQ(f->Editor->Paragraph()->Alignment(), rich::TRichAlign::Justify);
    f->AlignButtonClick(1);
    EXPECT_EQ(f->Editor->Paragraph()->Alignment(), rich::TRichAlign::Center);
    EXPECT_TRUE(f->CenterAlignB->isChecked());
    f->BulletsB->click();
    EXPECT_EQ(f->Editor->Paragraph()->Numbering(), nsBullet);
    EXPECT_GE(f->Editor->Paragraph()->LeftIndent(), 10);
    select(*f, 20, 20);
    EXPECT_FALSE(f->BulletsB->isChecked());
    EXPECT_TRUE(f->LeftAlignB->isChecked());
}

TEST_F(RichEditorTest, ExpressionsBetweenTheDelimiters)
{
    auto f = open(0, 5);
    std::string answer = "<a>";
    f->OnGetExpression = [&answer](std::string& e) {
        e = answer;
        return true;
    };
    f->ExprBClick();
    answer = "<a<b>";
    f->ExprBClick();
    view->ExpressionDelimiters = "<%,%>";
    answer = "x";
    f->ExprBClick();
    EXPECT_EQ(Utf16ToUtf8(f->Editor->Text()).substr(0, 17), "[a][<a<b>]<%x%> b");
    // The inserted text takes the attributes of what it replaced.
    EXPECT_FALSE(at(f->Editor->Document(), 1).bold);
    // Without a designer an input box asks; cancelled, nothing changes.
    f->OnGetExpression = nullptr;
    view->ExpressionDelimiters = "[,]";
    ui.expectInput(QStringLiteral("Page#"));
    ui.expectInput(std::nullopt);
    f->ExprBClick();
    f->ExprBClick();
    EXPECT_EQ(Utf16ToUtf8(f->Editor->Text()).substr(0, 24), "[a][<a<b>]<%x%>[Page#] b");
}

TEST_F(RichEditorTest, OkCopiesBackCancelDoesNot)
{
    TrpRichEditor editor(view, nullptr);
    EXPECT_TRUE(editor.HasEditor());
    const std::string before = view->RichEdit()->SaveRtf();
    ui.expectModal(QStringLiteral("TrpRichEditorForm"), [](QDialog& d) {
        auto& f = static_cast<TrpRichEditorForm&>(d);
        f.Text->selectAll();
        f.UnderlineB->click();
        f.CancelB->click();
        return d.result();
    });
    EXPECT_FALSE(editor.Edit());
    EXPECT_EQ(view->RichEdit()->SaveRtf(), before);
    ui.expectModal(QStringLiteral("TrpRichEditorForm"), [](QDialog& d) {
        auto& f = static_cast<TrpRichEditorForm&>(d);
        f.Text->selectAll();
        f.UnderlineB->click();
        f.OkB->click();
        return d.result();
    });
    EXPECT_TRUE(editor.Edit());
    EXPECT_TRUE(at(view->RichEdit()->Document(), 0).underline);
    EXPECT_TRUE(at(view->RichEdit()->Document(), 20).underline);
}

TEST_F(RichEditorTest, FilesSavedAsRtfAndOpened)
{
    auto f = open(6, 10);
    f->ItalicB->click();
    // Saved as RTF whatever the name's extension; read back it is the same.
    ui.expectFile(path("copy.txt"));
    f->SaveB->click();
    const std::string saved = ReadFile(path("copy.rtf").toStdString());
    EXPECT_EQ(Dump(saved), DumpRichDocument(f->Editor->Document()));
    // Opened into the editor, which can undo what is done after.
    ui.expectFile(QString::fromStdString(CorpusPath("cp936.rtf")));
    f->OpenB->click();
    EXPECT_EQ(DumpRichDocument(f->Editor->Document()), Dump(ReadFile(CorpusPath("cp936.rtf"))));
    const QString text = f->Editor->Document().toPlainText();
    f->Text->insertPlainText(QStringLiteral("typed"));
    f->UndoB->click();
    EXPECT_EQ(f->Editor->Document().toPlainText(), text);
    // A file that cannot be read is an error in a box; the content stays.
    ui.expectFile(path("missing.rtf"));
    ui.expectMessage(gui::MsgResult::Ok);
    f->OpenB->click();
    EXPECT_TRUE(ui.messages().last().contains(QStringLiteral("missing.rtf")));
    EXPECT_EQ(f->Editor->Document().toPlainText(), text);
}

TEST_F(RichEditorTest, FileKindsReadAsText)
{
    // The dialogs' file kinds, as the script answering them sees the requests.
    struct Recorder : gui::UiServices {
        gui::UiServices& inner;
        QStringList filters;
        explicit Recorder(gui::UiServices& i) : inner(i) {}
        gui::MsgResult messageBox(const QString& t, const QString& c, gui::MsgButtons b, gui::MsgIcon i) override
        {
            return inner.messageBox(t, c, b, i);
        }
        int showModal(QDialog& d) override { return inner.showModal(d); }
        bool inputQuery(const QString& c, const QString& p, QString& v) override { return inner.inputQuery(c, p, v); }
        bool fileDialog(const gui::FileRequest& r, QString& name) override
        {
            filters << r.filter;
            return inner.fileDialog(r, name);
        }
        bool fontDialog(QFont& f, const QString& c) override { return inner.fontDialog(f, c); }
        bool colorDialog(QColor& c, const QString& t) override { return inner.colorDialog(c, t); }
        bool openUrl(const QString& u) override { return inner.openUrl(u); }
    } recorder(ui);
    gui::ScopedUi scoped(recorder);
    auto f = open();
    ui.expectFile(std::nullopt);
    f->OpenB->click();
    ui.expectFile(std::nullopt);
    f->SaveB->click();
    ASSERT_EQ(recorder.filters.size(), 2);
    EXPECT_EQ(recorder.filters[0], QStringLiteral("RTF 文件 (*.rtf)"));
    EXPECT_EQ(recorder.filters[1], QStringLiteral("RTF 文件 (*.rtf);;文本文件 (*.txt)"));
}

TEST_F(RichEditorTest, FontDialogAndClipboard)
{
    auto f = open(0, 5);
    QFont chosen(QStringLiteral("Courier New"));
    chosen.setPointSize(14);
    chosen.setBold(true);
    ui.expectFont(chosen);
    f->TTB->click();
    const QTextDocument& doc = f->Editor->Document();
    EXPECT_EQ(at(doc, 0).font.face, QStringLiteral("Courier New"));
    EXPECT_EQ(at(doc, 0).halfPoints, 28);
    EXPECT_TRUE(at(doc, 0).bold);
    EXPECT_FALSE(at(doc, 5).bold);
    ui.expectFont(std::nullopt);
    f->TTB->click();
    EXPECT_EQ(at(doc, 0).halfPoints, 28);

    // Copied text goes as RTF and comes back with its attributes.
    f->Text->copy();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("text/rtf")));
    select(*f, 16, 16);
    f->Text->paste();
    EXPECT_EQ(doc.begin().text(), QStringLiteral("plain bold plainplain"));
    EXPECT_TRUE(at(doc, 16).bold);
    EXPECT_EQ(at(doc, 17).font.face, QStringLiteral("Courier New"));
}

TEST_F(RichEditorTest, ToolbarImagesAreOurOwn)
{
    view->RichEdit()->LoadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset134 SimSun;}}\\f0\\fs20\\li720\\fi-360\\tx2880 "
                              "first line\\tab tab stop, and enough words to wrap onto a second line under the "
                              "first one, which hangs \\f1\\u21457?\\u36135?\\u21333?\\par\\pard\\qc\\b centred}");
    auto f = open();
    f->resize(625, 300);
    f->SelectionChange();
    ASSERT_GE(GetResources().GetDesignerImages().Count(), 72);
    for (QToolButton* b : {f->OpenB, f->SaveB, f->UndoB, f->TTB, f->ExprB, f->BoldB, f->BlockAlignB, f->BulletsB,
                           f->OkB, f->CancelB})
        EXPECT_FALSE(b->icon().isNull()) << b->toolTip().toStdString();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Rich Editor"));
    EXPECT_EQ(f->OkB->toolTip(), QStringLiteral("确定"));
    if (const char* shot = std::getenv("RICH_EDITOR_PNG")) f->grab().save(QString::fromLocal8Bit(shot));
}

TEST_F(RichEditorTest, ComponentEditorsActOnUnlockedSelectedViews)
{
    auto* locked = new TrpRichView(band);
    locked->SetRestrictions(TrpRestrictions{rfDontModify});
    auto* memo = new TrpMemoView(band);
    struct Designer : TObject, TrpDesignerSelection {
        std::vector<TComponent*> selected;
        std::vector<TComponent*> SelectedComponents() const override { return selected; }
    } designer;
    designer.selected = {view, locked, memo};
    TrpRichEditor editor(view, &designer);
    std::vector<TrpComponentEditor::MenuItem> menu;
    view->SetStretchMode(smMaxHeight);
    editor.GetMenuItems(menu);
    ASSERT_EQ(menu.size(), 8u);
    EXPECT_EQ(menu[1].Caption, "-");
    EXPECT_TRUE(menu[0].Checked);   // expressions
    EXPECT_FALSE(menu[2].Checked);  // stretch
    EXPECT_TRUE(menu[3].Checked);   // stretch to the band
    EXPECT_TRUE(menu[4].Checked);   // shift
    EXPECT_TRUE(editor.Execute(menu[2].Tag, true));
    EXPECT_EQ(view->StretchMode(), smActualHeight);
    EXPECT_EQ(locked->StretchMode(), smDontStretch);
    EXPECT_TRUE(editor.Execute(menu[0].Tag, false));
    EXPECT_FALSE(view->AllowExpressions);
    EXPECT_TRUE(locked->AllowExpressions);
    // The views' own items reach every unlocked view, the text object too.
    EXPECT_TRUE(editor.Execute(menu[6].Tag, false));
    EXPECT_FALSE(view->Visible());
    EXPECT_FALSE(memo->Visible());
    EXPECT_TRUE(locked->Visible());
    EXPECT_TRUE(editor.Execute(menu[5].Tag, true));
    EXPECT_EQ(memo->ShiftMode(), smWhenOverlapped);
    EXPECT_FALSE(editor.Execute(0, true));
    // The registry hands this editor out for rich-text objects.
    int found = 0;
    for (int i = 0; i < GetComponentEditors().Count(); ++i)
        if (GetComponentEditors().GetItem(i).ComponentClass == TrpRichView::StaticClass()) ++found;
    EXPECT_EQ(found, 1);
}
