#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "rpPicture.h"
#include "rpShapes.h"

using namespace model_test;

TEST(ComponentTree, OwnerIsTheReportAndParentTheGivenObject)
{
    Sample s;
    TrpMemoView* m = s.memo("Memo1", u"x");
    EXPECT_EQ(m->Owner(), s.report.get());
    EXPECT_EQ(m->Parent(), s.band);
    EXPECT_EQ(s.band->Objects().back(), m);
    EXPECT_EQ(m->GetReport(), s.report.get());
    EXPECT_EQ(m->GetPage(), s.page);

    // Without a report the object has no platform owner.
    TrpMasterData loose;
    auto* child = new TrpMemoView(&loose);
    EXPECT_EQ(child->Owner(), nullptr);
    EXPECT_EQ(child->Parent(), &loose);

    // Moving between parents; a cycle is refused.
    TrpMasterData other(nullptr);
    child->SetParent(&other);
    EXPECT_TRUE(loose.Objects().empty());
    EXPECT_EQ(other.Objects().size(), 1u);
    EXPECT_THROW(other.SetParent(child), EInvalidOperation);
}

TEST(ComponentTree, ClearKeepsInheritedChildrenAndClearsThem)
{
    Sample s;
    TrpMemoView* plain = s.memo("Memo1", u"a");
    auto* inherited = new TrpChild(s.page);
    inherited->SetName("Child1");
    inherited->SetIsAncestor(true);
    TrpMemoView* inside = s.memo("Memo2", u"b");
    inside->SetParent(inherited);
    Ref<TrpMemoView> plainRef(plain), insideRef(inside);
    s.page->Clear();
    EXPECT_FALSE(plainRef);
    EXPECT_FALSE(insideRef);
    ASSERT_EQ(s.page->Objects().size(), 1u);
    EXPECT_EQ(s.page->Objects()[0], inherited);
    EXPECT_TRUE(inherited->Objects().empty());
}

TEST(ComponentTree, FindObjectIgnoresCaseAndNeverTheRootItself)
{
    Sample s;
    TrpMemoView* m = s.memo("Memo1", u"x");
    s.report->SetName("Report1");
    EXPECT_EQ(s.report->FindObject("MEMO1"), m);
    EXPECT_EQ(s.report->FindObject("Report1"), nullptr);
    EXPECT_EQ(s.report->FindObject(""), nullptr);
    const std::vector<TrpComponent*> all = s.report->GetAllObjects();
    ASSERT_EQ(all.size(), 4u);  // data page, page, band, memo: depth first, parents first
    EXPECT_EQ(all[0], s.data);
    EXPECT_EQ(all[2], s.band);
    EXPECT_EQ(all[3], m);
}

TEST(ComponentTree, LookUpsFollowEveryChangeOfNameAndPlace)
{
    // The first look-up indexes the report's names; later changes of name,
    // parent and report must reach that index.
    Sample s;
    TrpMemoView* memo = s.memo("Memo1", u"x");
    EXPECT_EQ(s.report->FindObject("memo1"), memo);
    TrpMemoView* added = s.memo("Memo2", u"y");
    EXPECT_EQ(s.report->FindObject("MEMO2"), added);
    memo->SetName("Total");
    EXPECT_EQ(s.report->FindObject("Memo1"), nullptr);
    EXPECT_EQ(s.report->FindObject("total"), memo);
    EXPECT_THROW(added->SetName("TOTAL"), EComponentError);
    EXPECT_EQ(s.report->FindObject("Memo2"), added);

    // From an object: only what lies below it.
    auto* second = new TrpReportPage(s.report.get());
    second->SetName("Page2");
    EXPECT_EQ(s.page->FindObject("Total"), memo);
    EXPECT_EQ(second->FindObject("Total"), nullptr);
    EXPECT_EQ(s.band->FindObject("MasterData1"), nullptr) << "never the object itself";

    // A band moved with its children, then taken out of the report.
    s.band->SetParent(second);
    EXPECT_EQ(second->FindObject("Total"), memo);
    EXPECT_EQ(s.page->FindObject("Total"), nullptr);
    TrpReportPage loose;
    s.band->SetParent(&loose);
    EXPECT_EQ(s.report->FindObject("Total"), nullptr);
    EXPECT_EQ(loose.FindObject("Total"), memo);
    // Into another report, whose index already stands.
    TrpReport other;
    auto* page = new TrpReportPage(&other);
    EXPECT_EQ(other.FindObject("Memo2"), nullptr);
    s.band->SetParent(page);
    EXPECT_EQ(other.FindObject("Memo2"), added);
    delete added;
    EXPECT_EQ(other.FindObject("Memo2"), nullptr);
    EXPECT_EQ(other.FindObject("total"), memo);
    s.band->SetParent(s.page);
    EXPECT_EQ(other.FindObject("total"), nullptr);
    EXPECT_EQ(s.report->FindObject("total"), memo);
}

TEST(ComponentTree, LookingUpWhileWalkingTheListOfAllObjectsLeavesTheListAlone)
{
    Sample s;
    for (int i = 1; i <= 20; ++i) s.memo(("Memo" + std::to_string(i)).c_str(), u"x");
    const std::vector<TrpComponent*>& all = s.report->GetAllObjects();
    const size_t count = all.size();
    size_t visited = 0;
    for (TrpComponent* o : all) {
        EXPECT_NE(s.report->FindObject("Memo20"), nullptr);
        (void)o;
        ++visited;
    }
    EXPECT_EQ(visited, count);
    EXPECT_EQ(all.size(), count);
}

TEST(ComponentTree, RenameRules)
{
    Sample s;
    TrpMemoView* a = s.memo("Memo1", u"a");
    TrpMemoView* b = s.memo("Memo2", u"b");
    EXPECT_THROW(b->SetName("MEMO1"), EComponentError);
    EXPECT_EQ(b->Name(), "Memo2");
    // A change of case alone is no rename.
    a->SetName("MEMO1");
    EXPECT_EQ(a->Name(), "Memo1");
    a->SetIsAncestor(true);
    try {
        a->SetName("Total");
        FAIL();
    } catch (const EComponentError& e) {
        EXPECT_STREQ(e.what(), "Could not rename Memo1, it was introduced in the ancestor report");
    }
    // Unique names from the base name.
    auto* c = new TrpMemoView(s.band);
    c->CreateUniqueName();
    EXPECT_EQ(c->Name(), "Memo3");
    auto* line = new TrpLineView(s.band);
    line->CreateUniqueName();
    EXPECT_EQ(line->Name(), "Line1");
    EXPECT_EQ(TrpSysMemoView().BaseName(), "SysMemo");
    EXPECT_EQ(s.page->BaseName(), "Page");
}

TEST(ComponentTree, RestrictionsHoldOnlyWhileDesigning)
{
    Sample s;
    TrpMemoView* m = s.memo("Memo1", u"x", 10, 0, 100, 20);
    m->SetRestrictions({rfDontMove, rfDontSize});
    m->SetLeft(50);
    EXPECT_EQ(m->Left(), 50);
    m->InitDesigning(0);
    m->SetLeft(70);
    m->SetWidth(5);
    EXPECT_EQ(m->Left(), 50);
    EXPECT_EQ(m->Width(), 100);
}

TEST(ComponentTree, FontChangesFlowToChildrenThatTakeTheParentsFont)
{
    Sample s;
    TrpMemoView* follows = s.memo("Memo1", u"a");
    TrpMemoView* own = s.memo("Memo2", u"b");
    TFont courier;
    courier.SetName("Courier New");
    own->SetFont(&courier);
    EXPECT_FALSE(own->ParentFont());
    s.band->Font()->SetName("宋体");
    s.band->Font()->SetSize(12);
    EXPECT_EQ(follows->Font()->Name(), "宋体");
    EXPECT_EQ(follows->Font()->Size(), 12);
    EXPECT_TRUE(follows->ParentFont());
    EXPECT_EQ(own->Font()->Name(), "Courier New");
    EXPECT_FALSE(s.band->ParentFont());
    // A new parent's font is taken on the move.
    TrpMasterData other(nullptr);
    other.Font()->SetName("Arial");
    follows->SetParent(&other);
    EXPECT_EQ(follows->Font()->Name(), "Arial");
    follows->SetParent(nullptr);
}

TEST(ComponentTree, AbsolutePositionsStopBelowADialogPage)
{
    Sample s;
    s.page->SetLeft(5);
    TrpMemoView* m = s.memo("Memo1", u"x", 10, 7);
    EXPECT_EQ(m->AbsLeft(), 15);
    EXPECT_EQ(m->AbsTop(), 47);
    auto* dialog = new TrpDialogPage(s.report.get());
    dialog->SetBounds(300, 300, 400, 400);
    auto* ds = new TrpUserDataSet(dialog);
    ds->SetBounds(20, 30, 28, 28);
    EXPECT_EQ(ds->AbsLeft(), 20);
    EXPECT_EQ(ds->AbsTop(), 30);
    const TrpRectArea area = TrpRectArea::CreateFromView(*m);
    EXPECT_EQ(area.X, 15);
    EXPECT_EQ(area.Y1, 67);
}

namespace {

TrpMemoView* aligned(TrpComponent& parent, Extended l, Extended t, Extended w, Extended h, TrpAlign a)
{
    auto* v = new TrpMemoView(&parent);
    v->SetBounds(l, t, w, h);
    v->SetAlign(a);
    return v;
}

}  // namespace

TEST(ComponentTree, AlignChildrenFindsNeighboursThatShareHeight)
{
    TrpMasterData band(nullptr);
    band.SetBounds(0, 0, 500, 100);
    TrpMemoView* fixed = aligned(band, 100, 0, 50, 20, baNone);
    TrpMemoView* left = aligned(band, 300, 10, 40, 20, baLeft);
    TrpMemoView* right = aligned(band, 10, 0, 30, 20, baRight);
    TrpMemoView* alone = aligned(band, 200, 60, 40, 20, baLeft);
    TrpMemoView* edge = aligned(band, 400, 60, 30, 10, baRight);
    band.AlignChildren();
    EXPECT_EQ(left->Left(), 150);
    EXPECT_EQ(right->Left(), 70);
    EXPECT_EQ(alone->Left(), 0);
    EXPECT_EQ(edge->Left(), 470);
    EXPECT_EQ(fixed->Left(), 100);

    TrpMasterData strip(nullptr);
    strip.SetBounds(0, 0, 500, 100);
    aligned(strip, 5, 0, 10, 10, baNone);
    TrpMemoView* width = aligned(strip, 20, 0, 10, 10, baWidth);
    aligned(strip, 300, 0, 50, 10, baNone);
    aligned(strip, 400, 0, 10, 10, baNone);
    // Sharing less than 0.0001 of height is no overlap.
    TrpMemoView* below = aligned(strip, 200, 9.99995L, 10, 10, baLeft);
    strip.AlignChildren();
    EXPECT_EQ(width->Left(), 15);
    EXPECT_EQ(width->Width(), 285);
    EXPECT_EQ(below->Left(), 0);

    TrpMasterData box(nullptr);
    box.SetBounds(0, 0, 500, 100);
    TrpMemoView* bottom = aligned(box, 0, 0, 30, 25, baBottom);
    TrpMemoView* centre = aligned(box, 0, 80, 100, 5, baCenter);
    TrpMemoView* client = aligned(box, 1, 1, 1, 1, baClient);
    box.AlignChildren();
    EXPECT_EQ(bottom->Top(), 75);
    EXPECT_EQ(centre->Left(), 200);
    EXPECT_EQ(client->Left(), 0);
    EXPECT_EQ(client->Width(), 500);
    EXPECT_EQ(client->Height(), 100);
}

TEST(ComponentDiff, ToleranceFontsAndBands)
{
    Sample s;
    TrpMemoView* a = s.memo("Memo1", u"x", 10, 5, 100, 20);
    TrpMemoView* b = s.memo("Memo2", u"x", 10, 5, 100, 20);
    a->SetLeft(10.00005L);
    a->Memo()->Clear();
    b->Memo()->Clear();
    EXPECT_EQ(a->Diff(b), " u=\"\"");
    a->SetLeft(10.5L);
    a->SetHeight(0.1L + 0.2L);
    a->SetTag(3);
    a->SetVisible(false);
    EXPECT_EQ(a->Diff(b), " l=\"10.5\" h=\"0.3\" Visible=\"False\" Tag=\"3\" u=\"\"");

    TFont font;
    font.SetName("宋体");
    font.SetSize(12);
    font.SetStyle({fsBold, fsUnderline});
    font.SetColor(clRed);
    TrpMemoView* c = s.memo("Memo3", u"", 10, 5, 100, 20);
    c->SetFont(&font);
    EXPECT_EQ(c->Diff(b), " ParentFont=\"False\" Font.Name=\"宋体\" Font.Size=\"12\" Font.Color=\"255\" "
                          "Font.Style=\"5\" u=\"\"");
    c->AutoWidth = true;
    c->SetWidth(3);
    EXPECT_EQ(c->Diff(b).find(" w="), std::string::npos);

    // Bands write their top always.
    TrpMasterData other(nullptr);
    other.SetBounds(0, 40, 718, 30);
    EXPECT_EQ(other.Diff(s.band), " t=\"40\"");
    // The whole form for a band, and l and t always for a null band.
    EXPECT_EQ(s.band->DiffAll(nullptr).rfind("Height=\"30\"", 0), 0u);
    TrpNullBand null(nullptr);
    null.SetBounds(1, 2, 3, 4);
    const std::string all = null.DiffAll(nullptr);
    EXPECT_NE(all.find(" l=\"1\" t=\"2\""), std::string::npos);
}

TEST(ComponentStorage, AssignCopiesOwnPropertiesAndAssignAllTheChildren)
{
    Sample s;
    TrpMemoView* m = s.memo("Memo1", u"订单号\r\n客户", 12, 3, 80, 20);
    m->HAlign = haCenter;
    m->Frame()->SetTyp({ftLeft, ftBottom});
    TrpMemoView copy(nullptr);
    copy.Assign(m);
    EXPECT_EQ(copy.Left(), 12);
    EXPECT_EQ(copy.HAlign, haCenter);
    EXPECT_EQ(copy.Frame()->Typ(), (TrpFrameTyp{ftLeft, ftBottom}));
    EXPECT_EQ(copy.Text(), u"订单号\r\n客户\r\n");

    TrpReportPage pageCopy(nullptr);
    pageCopy.AssignAll(s.page);
    ASSERT_EQ(pageCopy.Objects().size(), 1u);
    auto* band = dynamic_cast<TrpMasterData*>(pageCopy.Objects()[0]);
    ASSERT_NE(band, nullptr);
    ASSERT_EQ(band->Objects().size(), 1u);
    EXPECT_EQ(band->Objects()[0]->Name(), "Memo1");
    EXPECT_EQ(saveXml(pageCopy), saveXml(*s.page));
}

TEST(ComponentStorage, PreparedPagesStoreDifferencesOfTextLinePictureAndShape)
{
    // Memo, line, picture and shape are stored as their difference; other
    // views and bands whole; a subreport never goes into prepared pages.
    EXPECT_FALSE(TrpMemoView().ComponentStyle() & rpcsWriteAllProperties);
    EXPECT_FALSE(TrpLineView().ComponentStyle() & rpcsWriteAllProperties);
    EXPECT_FALSE(TrpPictureView().ComponentStyle() & rpcsWriteAllProperties);
    EXPECT_FALSE(TrpShapeView().ComponentStyle() & rpcsWriteAllProperties);
    EXPECT_TRUE(TrpSysMemoView().ComponentStyle() & rpcsPageContent);
    TrpSubreport sub;
    EXPECT_FALSE(sub.ComponentStyle() & rpcsPageContent);
    EXPECT_TRUE(sub.ComponentStyle() & rpcsWriteAllProperties);
    EXPECT_TRUE(TrpMasterData().ComponentStyle() & rpcsPageContent);
}
