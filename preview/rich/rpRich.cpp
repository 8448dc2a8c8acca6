#include "rpRich.h"

#include <QTextBlock>
#include <QTextList>

#include "CodePages.h"
#include "SysUtils.h"
#include "rpDataSets.h"
#include "rpRegistry.h"
#include "rpReport.h"
#include "rpRes.h"
#include "rpRichEditor.h"
#include "rpRichFormat.h"
#include "rpRichTable.h"
#include "rpRtfReader.h"
#include "rpRtfWriter.h"
#include "rpXMLSerializer.h"

using namespace rich;

namespace {

int twips(Extended units)
{
    return static_cast<int>(Round(units * TwipsPerUnit));
}

bool isParagraphMark(const QTextDocument& doc, int position)
{
    return doc.characterAt(position) == QChar(QChar::ParagraphSeparator);
}

// A paragraph ends at the position: its mark, or a table's cell or end.
bool endsParagraph(const QTextDocument& doc, int position)
{
    const QChar c = doc.characterAt(position);
    return c == QChar(QChar::ParagraphSeparator) || c == QChar(0xFDD0) || c == QChar(0xFDD1);
}

// Each list of the copy counts on from the number its first item had in
// the source (copy position p is source position offset + p).
void continueNumbering(const QTextDocument& source, int offset, QTextDocument& copy)
{
    for (QTextBlock b = copy.begin(); b.isValid(); b = b.next()) {
        QTextList* list = b.textList();
        if (!list || list->itemNumber(b) != 0) continue;
        const QTextBlock from = source.findBlock(offset + b.position());
        if (!from.textList()) continue;
        const int number = ListNumber(from);
        if (number == ListNumber(b)) continue;
        QTextListFormat format = list->format();
        format.setProperty(ListStart, number);
        list->setFormat(format);
    }
}

}  // namespace

std::unique_ptr<QTextDocument> CopyRichRange(const QTextDocument& source, int from, int to, bool continued)
{
    const int length = source.characterCount() - 1;
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    // A paragraph mark where the range is cut is the copy's own end, not
    // an empty paragraph more.
    if (to > from && to < length && isParagraphMark(source, to - 1)) --to;
    // Through RTF, as a part is kept: the writer cuts kept groups and
    // paragraphs at the range's ends.
    TRtfWriteOptions range;
    range.from = from;
    range.to = to;
    std::unique_ptr<QTextDocument> copy(NewRichDocument());
    ReadRtf(WriteRtf(source, range), *copy);
    continueNumbering(source, from, *copy);
    if (continued && !IsGapBlock(copy->begin()) && !TopTableAt(*copy, copy->begin().position())) {
        const QTextBlock first = copy->begin();
        TRichPara p = FromBlock(first);
        p.list = TRichList::None;
        p.fi = 0;
        QTextCursor(first).setBlockFormat(ToBlockFormat(p));
        ApplyList(first, p);
    }
    return copy;
}

// ---------------------------------------------------------------- the object

TrpRichView::TrpRichView(TComponent* owner) : TrpStretcheable(owner), richEdit_(std::make_unique<TReRichEdit>())
{
    richEdit_->AutoURLDetect = false;
}

TrpRichView::~TrpRichView() = default;

std::string TrpRichView::GetDescription() const
{
    return GetResources().Get("obRich");
}

int TrpRichView::pageWidthTwips() const
{
    return twips(Width() - 2 * GapX);
}

void TrpRichView::Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY)
{
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    DrawBackground();
    TRichTarget target;
    target.canvas = &canvas;
    target.originX = X;
    target.originY = Y;
    target.scaleX = scaleX / TwipsPerUnit;
    target.scaleY = scaleY / TwipsPerUnit;
    TFormatRange range;
    range.rc = Rect(twips(GapX), twips(GapY), twips(Width() - GapX), twips(Height() - GapY));
    // Nothing outside the object, not even a line taller than it.
    const std::optional<TRect> clip = canvas.ClipRect();
    canvas.IntersectClipRect(Rect(X, Y, X1, Y1));
    richEdit_->FormatRange(range, &target);
    canvas.SetClipRect(clip);
    DrawFrame();
}

// ---------------------------------------------------------------- printing

void TrpRichView::BeforePrint()
{
    TrpStretcheable::BeforePrint();
    saved_ = richEdit_->CloneDocument();
}

void TrpRichView::AfterPrint()
{
    if (saved_) richEdit_->SetDocument(std::move(saved_));
    part_.reset();
    TrpStretcheable::AfterPrint();
}

void TrpRichView::GetData()
{
    TrpStretcheable::GetData();
    if (IsDataField()) loadData();
    if (AllowExpressions) replaceExpressions();
    if (TrpRichView* next = FlowTo()) {
        InitPart();
        // Not a line fitting, all of it goes on there and none stays here.
        if (DrawPart() == Height() && partStart_ == 0) richEdit_->Clear();
        next->richEdit_->SetDocument(
            CopyRichRange(part_->Document(), partStart_, part_->GetTextLen(), nextPart_ && continued_));
        next->AllowExpressions = false;
    }
}

void TrpRichView::loadData()
{
    TrpDataSet& ds = *DataSet();
    const std::string& field = DataField();
    TStringStream data;
    if (ds.IsBlobField(field)) {
        ds.AssignBlobTo(field, data);
    } else {
        const std::string text = VarToStr(ds.GetValue(field));
        data.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    }
    data.Seek(0, soBeginning);
    richEdit_->LoadFromStream(data);
}

void TrpRichView::replaceExpressions()
{
    TrpReport* report = GetReport();
    const size_t comma = ExpressionDelimiters.find(',');
    const std::u16string open = Utf8ToUtf16(ExpressionDelimiters.substr(0, comma));
    const std::u16string close =
        comma == std::string::npos ? std::u16string() : Utf8ToUtf16(ExpressionDelimiters.substr(comma + 1, 255));
    if (!report || open.empty() || close.empty()) return;
    TReRichEdit& edit = *richEdit_;
    // Positions in the engine's raw text are selection positions.
    std::u16string text = edit.RawText();
    size_t at = text.find(open);
    while (at != std::u16string::npos) {
        int start = static_cast<int>(at) + 1;
        int end = start;
        const std::u16string expression = GetBracketedTextW(text, open, close, end, start);
        const size_t closeAt = static_cast<size_t>(end) - close.size();
        // An opening delimiter without its partner leaves the rest as it is.
        if (end <= start || closeAt < at + open.size() || text.compare(closeAt, close.size(), close) != 0) break;
        const std::string value = VarToStr(report->Calc(Utf16ToUtf8(expression)));
        const size_t after = text.size() - (static_cast<size_t>(end) - at);
        edit.SetSelStart(static_cast<int>(at));
        edit.SetSelLength(end - static_cast<int>(at));
        if (value.starts_with("{\\rtf") || value.starts_with("{urtf"))
            edit.ReplaceSelectionRtf(value);
        else
            edit.SetSelText(Utf8ToUtf16(value));
        text = edit.RawText();
        // Scanning goes on behind the value: what it brought is never computed.
        at = text.find(open, at + (text.size() - after));
    }
    edit.SetSelStart(0);
}

std::string TrpRichView::GetComponentText()
{
    TStringStream out;
    richEdit_->SaveToStream(out);
    return out.DataString();
}

// ---------------------------------------------------------------- height and parts

Extended TrpRichView::CalcHeight()
{
    if (richEdit_->GetTextLen() <= 0) return 0;
    const int64_t sum = richEdit_->MeasureTextHeight(pageWidthTwips());
    return Round(static_cast<Extended>(sum) / TwipsPerUnit) + 2 * GapY + 2;
}

void TrpRichView::InitPart()
{
    part_ = std::make_unique<TReRichEdit>();
    part_->SetDocument(richEdit_->CloneDocument());
    partStart_ = 0;
    stuckAt_ = -1;
    continued_ = false;
    nextPart_ = false;
}

void TrpRichView::takePart(int from, int to, bool continued)
{
    richEdit_->SetDocument(CopyRichRange(part_->Document(), from, to, continued));
}

Extended TrpRichView::DrawPart()
{
    if (!part_) InitPart();
    const int pageBottom = twips(Height() - 2 * GapY);
    TFormatRange range;
    range.cpMin = partStart_;
    range.rc = Rect(0, 0, pageWidthTwips(), std::max(pageBottom, 0));
    const int next = part_->FormatRange(range);
    const int length = part_->GetTextLen();
    Extended unused = Round(static_cast<Extended>(pageBottom - range.rc.Bottom) / TwipsPerUnit) + 2 * GapY + 1;
    if (unused < 0) {
        // Not a line fits: the object waits for the next page whole, all
        // of it its content (what prints should the band go out as it is).
        // A second time in a row at the same line, the line goes out cut,
        // or a line taller than a page would ask for pages for ever.
        if (stuckAt_ != partStart_) {
            stuckAt_ = partStart_;
            nextPart_ = true;
            takePart(partStart_, length, continued_);
            return Height();
        }
        // The unused height stays below 0: what remains is then measured
        // without all of the line, not only the part that shows.
    }
    stuckAt_ = -1;
    const bool startsInside = continued_;
    continued_ = next > partStart_ && !endsParagraph(part_->Document(), next - 1);
    takePart(partStart_, next, startsInside);
    partStart_ = next;
    nextPart_ = next < length;
    return nextPart_ ? unused : 0;
}

// ---------------------------------------------------------------- storage

void TrpRichView::DefineProperties(TrpFiler& filer)
{
    filer.DefineProperty(
        "RichEdit",
        [this](TrpPropReader& reader) {
            TStringStream data(reader.ReadBinary());
            richEdit_->LoadFromStream(data);
        },
        [this](TrpPropWriter& writer) {
            TStringStream data;
            richEdit_->SaveToStream(data);
            writer.WriteBinary(data.DataString());
        },
        true);
}

void TrpRichView::Publish(TClassBuilder<TrpRichView>& b)
{
    using V = TrpRichView;
    b.property("AllowExpressions", &V::AllowExpressions).defaultValue(true);
    b.property("ExpressionDelimiters", &V::ExpressionDelimiters).stored([](const V& v) {
        return v.ExpressionDelimiters != "[,]";
    });
    b.property("FlowTo", &V::FlowTo, &V::SetFlowTo);
    b.property("GapX", &V::GapX);
    b.property("GapY", &V::GapY);
    b.property("Wysiwyg", &V::Wysiwyg).defaultValue(true);
    PublishBrushStyle(b);
    PublishColor(b);
    PublishCursor(b);
    PublishDataField(b);
    PublishDataSet(b);
    PublishFrame(b);
    PublishTagStr(b);
    PublishURL(b);
}

// ---------------------------------------------------------------- registration

void registerRichUnit()
{
    RegisterClass<TReTextAttributes>();
    RegisterClass<TReParaAttributes>();
    RegisterClass<TRichEditStrings>();
    RegisterClass<TReCustomRichEdit>(TReCustomRichEdit::Publish);
    RegisterClass<TReRichEdit>();
    RegisterClass<TReUnicodeRichEdit>();
    RegisterClass<TrpRichView>(TrpRichView::Publish);
    GetObjectCollection().RegisterObject(TrpRichView::StaticClass(), nullptr, 26);
    registerRichEditor();
}

void unregisterRichUnit()
{
    unregisterRichEditor();
    GetObjectCollection().UnregisterObject(TrpRichView::StaticClass());
    UnregisterClass<TrpRichView>();
    UnregisterClass<TReUnicodeRichEdit>();
    UnregisterClass<TReRichEdit>();
    UnregisterClass<TReCustomRichEdit>();
    UnregisterClass<TRichEditStrings>();
    UnregisterClass<TReParaAttributes>();
    UnregisterClass<TReTextAttributes>();
}
