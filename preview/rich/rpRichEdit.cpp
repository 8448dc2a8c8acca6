#include "rpRichEdit.h"

#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextTable>

#include "CodePages.h"
#include "Guard.h"
#include "SysUtils.h"
#include "rpRichTable.h"
#include "rpRtfReader.h"
#include "rpRtfWriter.h"

using namespace rich;

namespace {

// Larger streams are refused rather than read.
constexpr int64_t MaxStreamBytes = int64_t(256) << 20;

// The character attribute properties; everything else on a format
// (objects, kept groups, anchors) is left alone when attributes change.
const int kCharProperties[] = {FaceName,
                               Charset,
                               PitchFamily,
                               Protected,
                               Hidden,
                               QTextFormat::FontFamilies,
                               QTextFormat::FontFamily,
                               QTextFormat::FontPointSize,
                               QTextFormat::FontWeight,
                               QTextFormat::FontItalic,
                               QTextFormat::FontUnderline,
                               QTextFormat::TextUnderlineStyle,
                               QTextFormat::FontStrikeOut,
                               QTextFormat::FontHintingPreference,
                               QTextFormat::FontKerning,
                               QTextFormat::TextVerticalAlignment,
                               QTextFormat::ForegroundBrush,
                               QTextFormat::BackgroundBrush};

// Attributes changed on a format, keeping its other properties.
QTextCharFormat withAttributes(QTextCharFormat format, const TRichChar& a)
{
    for (int p : kCharProperties) format.clearProperty(p);
    format.merge(ToCharFormat(a));
    return format;
}

// Text typed or inserted takes attributes, never an object or a kept group.
QTextCharFormat textFormat(QTextCharFormat format)
{
    for (int p : {int(QTextFormat::ObjectType), int(PictKind), int(PictData), int(PictPixels), int(PictGoal),
                  int(PictScale), int(RawGroup), int(RawFonts), int(RawColors), int(RawText), int(RawSerial),
                  int(FieldInst), int(QTextFormat::IsAnchor), int(QTextFormat::AnchorHref),
                  int(QTextFormat::AnchorName)})
        format.clearProperty(p);
    return format;
}

// Line breaks of any kind become paragraph marks; VT is the control's
// line break inside a paragraph.
QString normaliseBreaks(std::u16string_view text)
{
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += QLatin1Char('\n');
        } else if (c == u'\v') {
            out += QChar(QChar::LineSeparator);
        } else if (c != 0) {
            out += QChar(c);
        }
    }
    return out;
}

// The text of [from, to): paragraphs parted by CR LF, the cells of a table
// row by a tab; what Qt keeps around tables is no paragraph. Plain text
// has no objects and breaks lines with CR LF too.
std::u16string joinedText(const QTextDocument& doc, int from, int to, bool plain)
{
    std::u16string out;
    bool first = true;
    const QTextTable* lastTable = nullptr;
    int lastRow = -1;
    for (QTextBlock b = doc.findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
        if (IsGapBlock(b) && b.length() <= 1) continue;
        const QTextTable* table = TopTableAt(doc, b.position());
        const QTextTableCell cell = table ? table->cellAt(b.position()) : QTextTableCell();
        if (!first) {
            const bool nextCell = table && table == lastTable && cell.row() == lastRow && b.position() == cell.firstPosition();
            out += nextCell ? u"\t" : u"\r\n";
        }
        first = false;
        lastTable = table;
        lastRow = cell.isValid() ? cell.row() : -1;
        const int start = std::max(from, b.position());
        const int end = std::min(to, b.position() + b.length() - 1);
        // The block's text is a temporary: a view of it must not outlive it.
        const QString text = b.text();
        for (QChar ch : QStringView(text).mid(start - b.position(), std::max(0, end - start))) {
            const char16_t u = ch.unicode();
            if (!plain) out += u;
            else if (u == 0x2028) out += u"\r\n";
            else if (u != 0xFFFC) out += u;
        }
    }
    return out;
}

std::string lowerExtension(const std::string& fileName)
{
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = fileName.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

}  // namespace

// ---------------------------------------------------------------- engine

TReCustomRichEdit::TReCustomRichEdit(TComponent* owner)
    : TComponent(owner), doc_(NewRichDocument()), defChar_(DefaultPlainChar())
{
    lines_ = std::make_unique<TRichEditStrings>(this);
    selAttributes_ = std::make_unique<TReTextAttributes>(this, atSelected);
    defAttributes_ = std::make_unique<TReTextAttributes>(this, atDefaultText);
    wordAttributes_ = std::make_unique<TReTextAttributes>(this, atWord);
    paragraph_ = std::make_unique<TReParaAttributes>(this);
    attach();
}

TReCustomRichEdit::~TReCustomRichEdit() = default;

void TReCustomRichEdit::attach()
{
    cursor_ = QTextCursor(doc_.get());
    linesValid_ = false;
    // OnChange is the user's handler: what it raises must not cross the event loop.
    QObject::connect(doc_.get(), &QTextDocument::contentsChanged, doc_.get(), gui::Slot([this] {
        linesValid_ = false;
        OnChange(this);
    }));
}

std::unique_ptr<QTextDocument> TReCustomRichEdit::CloneDocument() const
{
    std::unique_ptr<QTextDocument> copy(doc_->clone());
    // Qt's copy loses what the paragraphs around a table have alone: a
    // gap's format, and the mark of the first paragraph and of one after
    // a table (that of the frame's own characters).
    for (QTextBlock a = doc_->begin(), b = copy->begin(); a.isValid() && b.isValid(); a = a.next(), b = b.next()) {
        if (TopTableAt(*doc_, a.position())) continue;
        const bool afterTable = a.previous().isValid() && TopTableAt(*doc_, a.previous().position());
        if (IsGapBlock(a) && !IsGapBlock(b)) QTextCursor(b).setBlockFormat(GapBlockFormat());
        if ((afterTable || !a.previous().isValid()) && a.charFormat() != b.charFormat())
            QTextCursor(b).setBlockCharFormat(a.charFormat());
    }
    PrepareRichDocument(*copy);
    return copy;
}

void TReCustomRichEdit::SetDocument(std::unique_ptr<QTextDocument> doc)
{
    if (!doc) return;
    PrepareRichDocument(*doc);
    doc_ = std::move(doc);
    insertFormat_.reset();
    attach();
    OnChange(this);
    selectionChanged();
}

void TReCustomRichEdit::selectionChanged()
{
    insertFormat_.reset();
    OnSelectionChange(this);
}

void TReCustomRichEdit::SetPlainText(bool value)
{
    if (value == plainText_) return;
    plainText_ = value;
    if (value) stripToPlain();
}

void TReCustomRichEdit::stripToPlain()
{
    const std::u16string text = Text();
    std::unique_ptr<QTextDocument> fresh = NewRichDocument();
    QTextCursor c(fresh.get());
    const QTextCharFormat format = ToCharFormat(defChar_);
    c.setBlockCharFormat(format);
    c.insertText(normaliseBreaks(text), format);
    SetDocument(std::move(fresh));
}

bool TReCustomRichEdit::loadRich(std::string_view data, QTextDocument& doc) const
{
    return ReadRtf(data, doc);
}

void TReCustomRichEdit::loadPlain(std::string_view data, QTextDocument& doc, bool unicode) const
{
    std::u16string text;
    if (unicode) {
        size_t start = data.size() >= 2 && uint8_t(data[0]) == 0xFF && uint8_t(data[1]) == 0xFE ? 2 : 0;
        text.reserve((data.size() - start) / 2);
        for (size_t i = start; i + 1 < data.size(); i += 2)
            text += static_cast<char16_t>(uint8_t(data[i]) | (uint8_t(data[i + 1]) << 8));
    } else {
        if (data.starts_with("\xEF\xBB\xBF")) data.remove_prefix(3);
        text = IsValidUtf8(data) ? Utf8ToUtf16(data) : MultiByteToWide(CP_GBK, data);
    }
    QTextCursor c(&doc);
    const QTextCharFormat format = ToCharFormat(defChar_);
    c.setBlockCharFormat(format);
    c.insertText(normaliseBreaks(text), format);
}

void TReCustomRichEdit::LoadFromStream(TStream& stream)
{
    const int64_t pos = stream.Position();
    const int64_t size = stream.Size() - pos;
    if (size > MaxStreamBytes) throw EOutOfResources("Failed to Load Stream");  // the stream is left where it was
    std::string data(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
    data.resize(static_cast<size_t>(stream.Read(data.data(), static_cast<int64_t>(data.size()))));

    const bool rich = streamFormat_ == sfRichText || (streamFormat_ == sfDefault && !plainText_);
    const bool unicode = streamMode_.Contains(smUnicode);
    std::unique_ptr<QTextDocument> fresh = NewRichDocument();
    // The plain loader takes any data, so the other format is tried there:
    // it recognises RTF by its start. Only a stream too large fails both.
    const bool asRtf = rich || (!unicode && LooksLikeRtf(data));
    if (!(asRtf && loadRich(data, *fresh))) loadPlain(data, *fresh, unicode);
    install(std::move(fresh), streamMode_.Contains(smSelection));
    if (plainText_) stripToPlain();
    cursor_.setPosition(0);
    selectionChanged();
}

void TReCustomRichEdit::install(std::unique_ptr<QTextDocument> fresh, bool selectionOnly)
{
    if (!selectionOnly) {
        SetDocument(std::move(fresh));
        return;
    }
    cursor_.insertFragment(QTextDocumentFragment(fresh.get()));
}

void TReCustomRichEdit::SaveToStream(TStream& stream) const
{
    const bool rich = streamFormat_ == sfRichText || (streamFormat_ == sfDefault && !plainText_);
    const bool selection = streamMode_.Contains(smSelection);
    const int from = selection ? SelStart() : 0;
    const int to = selection ? SelStart() + SelLength() : GetTextLen();
    std::string data;
    if (rich) {
        TRtfWriteOptions o;
        o.from = from;
        o.to = to;
        o.noObjects = streamMode_.Contains(smNoObjects);
        data = WriteRtf(*doc_, o);
    } else {
        data = plainBytes(from, to, streamMode_.Contains(smUnicode));
    }
    try {
        stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    } catch (const EStreamError&) {
        throw EOutOfResources("Failed to Save Stream");
    }
}

std::string TReCustomRichEdit::plainBytes(int from, int to, bool unicode) const
{
    const std::u16string text = joinedText(*doc_, from, to, true);
    if (!unicode) return Utf16ToUtf8(text);
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t u : text) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

std::string TReCustomRichEdit::SaveRtf(bool selectionOnly) const
{
    TRtfWriteOptions o;
    if (selectionOnly) {
        o.from = SelStart();
        o.to = SelStart() + SelLength();
    }
    return WriteRtf(*doc_, o);
}

void TReCustomRichEdit::LoadRtf(std::string_view rtf)
{
    std::unique_ptr<QTextDocument> fresh = NewRichDocument();
    if (!ReadRtf(rtf, *fresh)) loadPlain(rtf, *fresh, false);
    SetDocument(std::move(fresh));
}

void TReCustomRichEdit::ReplaceSelectionRtf(std::string_view rtf)
{
    std::unique_ptr<QTextDocument> fresh = NewRichDocument();
    // Tables do not nest: in a cell, a table's rows come as text.
    TRtfReadOptions options;
    options.tablesAsText = TopTableAt(*doc_, cursor_.selectionStart()) != nullptr;
    if (!ReadRtf(rtf, *fresh, options)) loadPlain(rtf, *fresh, false);
    cursor_.insertFragment(QTextDocumentFragment(fresh.get()));
    selectionChanged();
}

std::u16string TReCustomRichEdit::Text() const
{
    return joinedText(*doc_, 0, GetTextLen(), false);
}

void TReCustomRichEdit::Clear()
{
    std::unique_ptr<QTextDocument> fresh = NewRichDocument();
    QTextCursor(fresh.get()).setBlockCharFormat(ToCharFormat(defChar_));
    SetDocument(std::move(fresh));
    doc_->setModified(false);
}

void TReCustomRichEdit::SetSelStart(int value)
{
    cursor_.setPosition(std::clamp(value, 0, GetTextLen()));
    selectionChanged();
}

void TReCustomRichEdit::SetSelLength(int value)
{
    const int start = SelStart();
    cursor_.setPosition(start);
    cursor_.setPosition(std::clamp(start + value, 0, GetTextLen()), QTextCursor::KeepAnchor);
    selectionChanged();
}

void TReCustomRichEdit::SelectAll()
{
    cursor_.setPosition(0);
    cursor_.setPosition(GetTextLen(), QTextCursor::KeepAnchor);
    selectionChanged();
}

namespace {

std::u16string markedAsCr(const QString& text)
{
    std::u16string out = text.toStdU16String();
    for (char16_t& c : out)
        if (c == 0x2029) c = u'\r';
    return out;
}

}  // namespace

std::u16string TReCustomRichEdit::SelText() const
{
    return markedAsCr(cursor_.selectedText());
}

std::u16string TReCustomRichEdit::RawText() const
{
    return markedAsCr(doc_->toRawText());
}

QTextCharFormat TReCustomRichEdit::insertionFormat() const
{
    if (cursor_.hasSelection()) {
        QTextCursor first(doc_.get());
        first.setPosition(cursor_.selectionStart() + 1);
        return textFormat(first.charFormat());
    }
    if (insertFormat_) return *insertFormat_;
    return textFormat(cursor_.charFormat());
}

void TReCustomRichEdit::SetSelText(std::u16string_view text)
{
    const QTextCharFormat format = insertionFormat();
    cursor_.insertText(normaliseBreaks(text), format);
    selectionChanged();
}

int TReCustomRichEdit::FindText(std::u16string_view text, int start, int length, TSearchTypes options) const
{
    if (text.empty()) return -1;
    QTextDocument::FindFlags flags;
    if (options.Contains(stWholeWord)) flags |= QTextDocument::FindWholeWords;
    if (options.Contains(stMatchCase)) flags |= QTextDocument::FindCaseSensitively;
    QTextCursor from(doc_.get());
    from.setPosition(std::clamp(start, 0, GetTextLen()));
    const QTextCursor found =
        doc_->find(QString::fromStdU16String(std::u16string(text)), from, flags);
    if (found.isNull()) return -1;
    const int end = length < 0 ? GetTextLen() : start + length;
    return found.selectionEnd() <= end ? found.selectionStart() : -1;
}

void TReCustomRichEdit::Publish(TClassBuilder<TReCustomRichEdit>& b)
{
    b.property("Lines", &TReCustomRichEdit::Lines).typeName("TStrings");
    b.property("PlainText", &TReCustomRichEdit::PlainText, &TReCustomRichEdit::SetPlainText).defaultValue(false);
}

// ---------------------------------------------------------------- attributes

TRichChar TReTextAttributes::get() const
{
    TReCustomRichEdit& e = *owner_;
    if (type_ == atDefaultText) return e.defChar_;
    QTextCursor c = e.cursor_;
    if (type_ == atWord) c.select(QTextCursor::WordUnderCursor);
    if (c.hasSelection()) {
        QTextCursor first(e.doc_.get());
        first.setPosition(c.selectionStart() + 1);
        return FromCharFormat(first.charFormat());
    }
    if (e.insertFormat_) return FromCharFormat(*e.insertFormat_);
    return FromCharFormat(c.charFormat());
}

template <typename F>
void TReTextAttributes::change(F&& modify)
{
    TReCustomRichEdit& e = *owner_;
    QTextCursor c = e.cursor_;
    if (e.plainText_) {
        // Plain text has one set of attributes: the whole content takes them.
        modify(e.defChar_);
        c.setPosition(0);
        c.setPosition(e.GetTextLen(), QTextCursor::KeepAnchor);
    } else if (type_ == atDefaultText) {
        modify(e.defChar_);
        return;
    } else if (type_ == atWord) {
        c.select(QTextCursor::WordUnderCursor);
    }
    if (!c.hasSelection()) {
        if (e.plainText_) return;
        // What is typed or inserted next takes them.
        TRichChar a = get();
        modify(a);
        e.insertFormat_ = withAttributes(e.insertionFormat(), a);
        return;
    }
    // Run by run, so each keeps what it does not change.
    const int from = c.selectionStart();
    const int to = c.selectionEnd();
    std::vector<std::pair<int, int>> runs;
    for (QTextBlock b = e.doc_->findBlock(from); b.isValid() && b.position() < to; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int s = std::max(from, f.position());
            const int t = std::min(to, f.position() + f.length());
            if (s < t) runs.emplace_back(s, t);
        }
    }
    QTextCursor edit(e.doc_.get());
    edit.beginEditBlock();
    for (const auto& [s, t] : runs) {
        QTextCursor r(e.doc_.get());
        r.setPosition(s + 1);
        const QTextCharFormat old = r.charFormat();
        TRichChar a = FromCharFormat(old);
        modify(a);
        r.setPosition(s);
        r.setPosition(t, QTextCursor::KeepAnchor);
        r.setCharFormat(withAttributes(old, a));
    }
    edit.endEditBlock();
}

// The automatic colour is the window text colour.
TColor TReTextAttributes::Color() const
{
    const int rgb = get().color;
    return rgb < 0 ? clWindowText : RgbColor(rgb);
}

void TReTextAttributes::SetColor(TColor value)
{
    const int rgb = value == clWindowText || value == clDefault ? -1 : ColorRgb(value);
    change([rgb](TRichChar& a) { a.color = rgb; });
}

std::string TReTextAttributes::Name() const
{
    return get().font.face.toStdString();
}

void TReTextAttributes::SetName(const std::string& value)
{
    const QString name = QString::fromStdString(value).trimmed().left(31).trimmed();
    change([&name](TRichChar& a) { a.font.face = name; });
}

TFontStyles TReTextAttributes::Style() const
{
    return StylesOf(get());
}

void TReTextAttributes::SetStyle(TFontStyles value)
{
    change([value](TRichChar& a) { SetStyles(a, value); });
}

int TReTextAttributes::Size() const
{
    return get().halfPoints / 2;
}

void TReTextAttributes::SetSize(int points)
{
    const int half = std::clamp(points, 1, 1638) * 2;
    change([half](TRichChar& a) { a.halfPoints = half; });
}

TFontPitch TReTextAttributes::Pitch() const
{
    switch (get().font.pitchFamily & 3) {
    case 1: return fpFixed;
    case 2: return fpVariable;
    default: return fpDefault;
    }
}

void TReTextAttributes::SetPitch(TFontPitch value)
{
    const int bits = value == fpFixed ? 1 : value == fpVariable ? 2 : 0;
    change([bits](TRichChar& a) { a.font.pitchFamily = (a.font.pitchFamily & ~3) | bits; });
}

TFontCharset TReTextAttributes::Charset() const
{
    const int c = get().font.charset;
    return c < 0 ? DEFAULT_CHARSET : static_cast<TFontCharset>(c);
}

void TReTextAttributes::SetCharset(TFontCharset value)
{
    change([value](TRichChar& a) { a.font.charset = value; });
}

bool TReTextAttributes::Protected() const
{
    return get().protect;
}

void TReTextAttributes::SetProtected(bool value)
{
    change([value](TRichChar& a) { a.protect = value; });
}

void TReTextAttributes::Assign(const TPersistent* source)
{
    if (const auto* font = dynamic_cast<const TFont*>(source)) {
        const QString name = QString::fromStdString(font->Name()).trimmed().left(31).trimmed();
        const TFontStyles style = font->Style();
        const int half = std::clamp(font->Size(), 1, 1638) * 2;
        const int rgb = font->Color() == clWindowText || font->Color() == clDefault ? -1 : ColorRgb(font->Color());
        const int charset = font->Charset();
        const int pitch = font->Pitch() == fpFixed ? 1 : font->Pitch() == fpVariable ? 2 : 0;
        change([&](TRichChar& a) {
            a.font.face = name;
            a.font.charset = charset;
            a.font.pitchFamily = (a.font.pitchFamily & ~3) | pitch;
            a.halfPoints = half;
            SetStyles(a, style);
            a.color = rgb;
        });
        return;
    }
    if (const auto* other = dynamic_cast<const TReTextAttributes*>(source)) {
        const TRichChar from = other->get();
        change([&from](TRichChar& a) {
            const bool protect = a.protect;
            a = from;
            a.protect = protect;
        });
        return;
    }
    TPersistent::Assign(source);
}

void TReTextAttributes::AssignTo(TPersistent* dest) const
{
    if (auto* font = dynamic_cast<TFont*>(dest)) {
        const TRichChar a = get();
        font->SetName(a.font.face.toStdString());
        font->SetSize(a.halfPoints / 2);
        font->SetStyle(Style());
        font->SetColor(Color());
        font->SetCharset(Charset());
        font->SetPitch(Pitch());
        return;
    }
    TPersistent::AssignTo(dest);
}

TRichPara TReParaAttributes::get() const
{
    QTextCursor first(owner_->doc_.get());
    first.setPosition(owner_->SelStart());
    return FromBlock(first.block());
}

template <typename F>
void TReParaAttributes::change(F&& modify)
{
    QTextDocument& doc = *owner_->doc_;
    const int from = owner_->SelStart();
    const int to = from + owner_->SelLength();
    QTextCursor edit(&doc);
    edit.beginEditBlock();
    for (QTextBlock b = doc.findBlock(from); b.isValid() && (b.position() <= to || b == doc.findBlock(from));
         b = b.next()) {
        TRichPara p = FromBlock(b);
        modify(p);
        QTextCursor c(b);
        c.setBlockFormat(ToBlockFormat(p));
        ApplyList(c.block(), p);
        if (b.position() + b.length() > to) break;
    }
    edit.endEditBlock();
}

// The control's indents: FirstIndent = li + fi, LeftIndent = -fi.
rich::TRichAlign TReParaAttributes::Alignment() const
{
    return get().align;
}

void TReParaAttributes::SetAlignment(rich::TRichAlign value)
{
    change([value](TRichPara& p) { p.align = value; });
}

int TReParaAttributes::FirstIndent() const
{
    const TRichPara p = get();
    return (p.li + p.fi) / 20;
}

void TReParaAttributes::SetFirstIndent(int points)
{
    change([points](TRichPara& p) { p.li = points * 20 - p.fi; });
}

int TReParaAttributes::LeftIndent() const
{
    return -get().fi / 20;
}

void TReParaAttributes::SetLeftIndent(int points)
{
    change([points](TRichPara& p) {
        const int first = p.li + p.fi;
        p.fi = -points * 20;
        p.li = first + points * 20;
    });
}

int TReParaAttributes::RightIndent() const
{
    return get().ri / 20;
}

void TReParaAttributes::SetRightIndent(int points)
{
    change([points](TRichPara& p) { p.ri = points * 20; });
}

TNumberingStyle TReParaAttributes::Numbering() const
{
    return get().list == TRichList::Bullet ? nsBullet : nsNone;
}

void TReParaAttributes::SetNumbering(TNumberingStyle value)
{
    change([value](TRichPara& p) {
        const int first = p.li + p.fi;
        int left = -p.fi;
        if (value == nsBullet) {
            p.list = TRichList::Bullet;
            p.listStart = 1;
            left = std::max(left, 200);
        } else {
            p.list = TRichList::None;
            left = 0;
        }
        p.fi = -left;
        p.li = first + left;
    });
}

int TReParaAttributes::TabCount() const
{
    return static_cast<int>(get().tabs.size());
}

void TReParaAttributes::SetTabCount(int count)
{
    count = std::clamp(count, 0, MaxTabs);
    change([count](TRichPara& p) { p.tabs.resize(static_cast<size_t>(count)); });
}

int TReParaAttributes::Tab(int index) const
{
    const TRichPara p = get();
    return index >= 0 && static_cast<size_t>(index) < p.tabs.size() ? p.tabs[static_cast<size_t>(index)].position / 20
                                                                     : 0;
}

void TReParaAttributes::SetTab(int index, int points)
{
    if (index < 0 || index >= MaxTabs) return;
    change([index, points](TRichPara& p) {
        if (p.tabs.size() <= static_cast<size_t>(index)) p.tabs.resize(static_cast<size_t>(index) + 1);
        p.tabs[static_cast<size_t>(index)].position = points * 20;
    });
}

void TReParaAttributes::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TReParaAttributes*>(source)) {
        const TRichPara from = other->get();
        change([&from](TRichPara& p) { p = from; });
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------- lines

int TRichEditStrings::Count() const
{
    const QTextDocument& doc = *owner_->doc_;
    int n = doc.blockCount();
    if (doc.lastBlock().length() <= 1) --n;
    return n;
}

std::string TRichEditStrings::Get(int index) const
{
    if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
    return owner_->doc_->findBlockByNumber(index).text().toStdString();
}

void TRichEditStrings::Put(int index, const std::string& s)
{
    if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
    const QTextBlock b = owner_->doc_->findBlockByNumber(index);
    owner_->SetSelStart(b.position());
    owner_->SetSelLength(b.length() - 1);
    owner_->SetSelText(Utf8ToUtf16(s));
}

void TRichEditStrings::Clear()
{
    owner_->Clear();
}

void TRichEditStrings::Delete(int index)
{
    if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
    const QTextBlock b = owner_->doc_->findBlockByNumber(index);
    QTextCursor c(b);
    const QTextBlock next = b.next();
    c.setPosition(next.isValid() ? next.position() : b.position() + b.length() - 1, QTextCursor::KeepAnchor);
    c.removeSelectedText();
}

void TRichEditStrings::Insert(int index, const std::string& s)
{
    if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
    const QTextDocument& doc = *owner_->doc_;
    if (index < doc.blockCount()) {
        owner_->SetSelStart(doc.findBlockByNumber(index).position());
        owner_->SetSelText(Utf8ToUtf16(s) + u"\r");
    } else {
        owner_->SetSelStart(owner_->GetTextLen());
        std::u16string text = u"\r";
        text += Utf8ToUtf16(s);
        owner_->SetSelText(text);
    }
}

void TRichEditStrings::SetText(std::string_view text)
{
    std::unique_ptr<QTextDocument> fresh = NewRichDocument();
    owner_->loadPlain(text, *fresh, false);
    owner_->SetDocument(std::move(fresh));
}

void TRichEditStrings::LoadFromStream(TStream* stream)
{
    if (stream) owner_->LoadFromStream(*stream);
}

void TRichEditStrings::SaveToStream(TStream* stream) const
{
    if (stream) owner_->SaveToStream(*stream);
}

void TRichEditStrings::LoadFromFile(const std::string& fileName)
{
    const TStreamFormat saved = owner_->StreamFormat();
    const std::string ext = lowerExtension(fileName);
    if (ext == "txt") owner_->SetStreamFormat(sfPlainText);
    if (ext == "rtf") owner_->SetStreamFormat(sfRichText);
    try {
        TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
        owner_->LoadFromStream(file);
    } catch (...) {
        owner_->SetStreamFormat(saved);
        throw;
    }
    owner_->SetStreamFormat(saved);
}

void TRichEditStrings::SaveToFile(const std::string& fileName) const
{
    const TStreamFormat saved = owner_->StreamFormat();
    const std::string ext = lowerExtension(fileName);
    if (ext == "txt") owner_->SetStreamFormat(sfPlainText);
    if (ext == "rtf") owner_->SetStreamFormat(sfRichText);
    try {
        TSaveFileStream file(fileName);
        owner_->SaveToStream(file);
        file.Commit();
    } catch (...) {
        owner_->SetStreamFormat(saved);
        throw;
    }
    owner_->SetStreamFormat(saved);
}
