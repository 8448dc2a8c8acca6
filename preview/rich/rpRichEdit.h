#pragma once
// The rich edit engine: one QTextDocument per control, with the character
// and paragraph attributes, the selection, the RTF and plain-text streams
// and the format-range operation that the rich-text report object and the
// editor are built on. Positions count UTF-16 units with one unit per
// paragraph mark, as the edit control's character positions do.
//
// Layout: text is laid out once, at 96 dots per inch with the pinned
// fonts' design metrics (see rpRichFormat.h), and drawn from that one
// layout at any device scale. Measuring and drawing therefore cut at the
// same character on every device and every machine; the reference device
// of the original no longer changes where lines break.

#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Canvas.h"
#include "Classes.h"
#include "Exceptions.h"
#include "Graphics.h"
#include "Streams.h"
#include "StringLists.h"
#include "rpRichFormat.h"

// The platform's resource error, which failed streams raise.
DORVAK_DECLARE_EXCEPTION(EOutOfResources, Exception)

enum TStreamFormat { sfDefault, sfRichText, sfPlainText };
enum TStreamModeFlag { smSelection, smPlainRtf, smNoObjects, smUnicode };
using TStreamMode = TSet<TStreamModeFlag>;
enum TAttributeType { atDefaultText, atSelected, atWord };
enum TNumberingStyle { nsNone, nsBullet };
enum TSearchType { stWholeWord, stMatchCase };
using TSearchTypes = TSet<TSearchType>;

class TReCustomRichEdit;

// A rectangle in twips on the target, and the character range to lay out
// (cpMax -1: to the end).
struct TFormatRange {
    int cpMin = 0;
    int cpMax = -1;
    TRect rc;
};

// Where twips land on a canvas: device = origin + twips x scale.
struct TRichTarget {
    TCanvas* canvas = nullptr;
    Extended originX = 0;
    Extended originY = 0;
    Extended scaleX = 1;
    Extended scaleY = 1;
};

// The character attributes of the default text, the selection or the word
// at the selection.
class TReTextAttributes : public TPersistent {
    DORVAK_CLASS(TReTextAttributes, TPersistent)
public:
    TReTextAttributes(TReCustomRichEdit* owner, TAttributeType type) : owner_(owner), type_(type) {}

    // clWindowText and clDefault stand for the automatic colour.
    TColor Color() const;
    void SetColor(TColor value);
    std::string Name() const;
    // At most 31 characters are kept.
    void SetName(const std::string& value);
    TFontStyles Style() const;
    void SetStyle(TFontStyles value);
    int Size() const;  // points
    void SetSize(int points);
    TFontPitch Pitch() const;
    void SetPitch(TFontPitch value);
    TFontCharset Charset() const;
    void SetCharset(TFontCharset value);
    bool Protected() const;
    void SetProtected(bool value);

    // From a TFont or another TReTextAttributes.
    void Assign(const TPersistent* source) override;

protected:
    // To a TFont.
    void AssignTo(TPersistent* dest) const override;

private:
    rich::TRichChar get() const;
    template <typename F>
    void change(F&& modify);

    TReCustomRichEdit* owner_;
    TAttributeType type_;
};

// The paragraph attributes of the selection, in the control's terms:
// FirstIndent is the first line's indent, LeftIndent the other lines'
// offset from it (points).
class TReParaAttributes : public TPersistent {
    DORVAK_CLASS(TReParaAttributes, TPersistent)
public:
    explicit TReParaAttributes(TReCustomRichEdit* owner) : owner_(owner) {}

    rich::TRichAlign Alignment() const;
    void SetAlignment(rich::TRichAlign value);
    int FirstIndent() const;
    void SetFirstIndent(int points);
    int LeftIndent() const;
    void SetLeftIndent(int points);
    int RightIndent() const;
    void SetRightIndent(int points);
    // Bullets on raise LeftIndent to at least 10; off set it to 0.
    TNumberingStyle Numbering() const;
    void SetNumbering(TNumberingStyle value);
    int TabCount() const;
    void SetTabCount(int count);
    // Index 0..31; setting tab n raises the count to n + 1 when needed.
    int Tab(int index) const;
    void SetTab(int index, int points);

    void Assign(const TPersistent* source) override;

private:
    rich::TRichPara get() const;
    template <typename F>
    void change(F&& modify);

    TReCustomRichEdit* owner_;
};

// The content as a string list: one string per paragraph (the control's
// wrapped display lines have no caller here). Strings are UTF-8.
class TRichEditStrings : public TStrings {
    DORVAK_CLASS(TRichEditStrings, TStrings)
public:
    explicit TRichEditStrings(TReCustomRichEdit* owner) : owner_(owner) {}

    // Paragraphs, less a last empty one.
    int Count() const override;
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const std::string& s) override;
    void SetText(std::string_view text) override;
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) const override;
    // ".txt" files are plain text, ".rtf" files rich text, for the call.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

private:
    TReCustomRichEdit* owner_;
};

class TReCustomRichEdit : public TComponent {
    DORVAK_CLASS(TReCustomRichEdit, TComponent)
public:
    explicit TReCustomRichEdit(TComponent* owner = nullptr);
    ~TReCustomRichEdit() override;

    QTextDocument& Document() const { return *doc_; }
    // A copy of the content with every attribute (snapshots for printing).
    std::unique_ptr<QTextDocument> CloneDocument() const;
    // Takes a document over as the content (one from NewRichDocument or
    // CloneDocument); the selection moves to the start.
    void SetDocument(std::unique_ptr<QTextDocument> doc);

    TRichEditStrings* Lines() const { return lines_.get(); }
    TReTextAttributes* SelAttributes() const { return selAttributes_.get(); }
    TReTextAttributes* DefAttributes() const { return defAttributes_.get(); }
    TReTextAttributes* WordAttributes() const { return wordAttributes_.get(); }
    TReParaAttributes* Paragraph() const { return paragraph_.get(); }

    // Plain-text mode: the content holds the default attributes only.
    bool PlainText() const { return plainText_; }
    void SetPlainText(bool value);
    TStreamFormat StreamFormat() const { return streamFormat_; }
    void SetStreamFormat(TStreamFormat value) { streamFormat_ = value; }
    TStreamMode StreamMode() const { return streamMode_; }
    void SetStreamMode(TStreamMode value) { streamMode_ = value; }

    // Streams, as StreamFormat, StreamMode and PlainText say. Loading
    // retries in the other format when the first does not take the data;
    // when neither does, EOutOfResources "Failed to Load Stream" and the
    // content stays as it was. Afterwards the selection is at the start.
    void LoadFromStream(TStream& stream);
    // EOutOfResources "Failed to Save Stream" when the stream fails.
    void SaveToStream(TStream& stream) const;
    // The content (or the selection) as RTF, and RTF in place of it.
    std::string SaveRtf(bool selectionOnly = false) const;
    void LoadRtf(std::string_view rtf);
    // Replaces the selection with RTF (a value in a report's text); a last
    // paragraph mark it brings is not inserted. In a table cell, tables it
    // brings come as paragraphs of cells parted by tabs.
    void ReplaceSelectionRtf(std::string_view rtf);

    // Characters, a paragraph mark counting one.
    int GetTextLen() const { return doc_->characterCount() - 1; }
    // The content as text, paragraphs ending in CR LF but the last, the
    // cells of a table row parted by tabs.
    std::u16string Text() const;
    // One unit per character position (a paragraph mark is CR, an object
    // U+FFFC): positions in it are selection positions.
    std::u16string RawText() const;
    void Clear();
    bool Modified() const { return doc_->isModified(); }
    void SetModified(bool value) { doc_->setModified(value); }

    // A selection that reaches into a table from outside takes the whole
    // table, as Qt selects.
    int SelStart() const { return cursor_.selectionStart(); }
    void SetSelStart(int value);
    int SelLength() const { return cursor_.selectionEnd() - cursor_.selectionStart(); }
    void SetSelLength(int value);
    void SelectAll();
    // Paragraph marks come out as CR.
    std::u16string SelText() const;
    // Replaces the selection; the new text takes the attributes of the
    // first character it replaces (at an empty selection, those of the
    // character before, or what the selection attributes were set to).
    // CR LF, CR and LF make paragraphs; the selection ends behind it.
    void SetSelText(std::u16string_view text);
    // The attributes text typed at the selection takes (see SetSelText).
    QTextCharFormat InsertionFormat() const { return insertionFormat(); }
    // The first match of text within [start, start + length), -1 when none.
    int FindText(std::u16string_view text, int start, int length, TSearchTypes options) const;

    // Lines as laid out at the last format-range width (or the control's
    // width before any).
    int LineCount() const;
    int LineFromChar(int charIndex) const;
    // The first character of a line, -1 past the last line.
    int LineIndex(int line) const;
    int LineLength(int charIndex) const;

    // Lays the text from cpMin out into range.rc (twips, top to bottom):
    // lines are accepted while they fit, and always at least one. Returns
    // the first character not laid out and sets range.rc.Bottom to the
    // bottom of the last accepted line. With a target the accepted lines
    // are drawn there.
    int FormatRange(TFormatRange& range, const TRichTarget* target = nullptr);
    // The sum of the bottoms format range gives over the whole text at a
    // width (twips), page by page as a report measures its height; it stops
    // when a call makes no progress.
    int64_t MeasureTextHeight(int widthTwips);

    // Stored and offered; the engine has no window, OLE or URLs.
    bool AllowObjects = true;
    bool AllowInPlace = true;
    bool AutoVerbMenu = true;
    bool AutoURLDetect = true;
    bool HideSelection = true;
    bool HideScrollBars = true;
    bool SelectionBar = true;
    bool WordWrap = true;
    bool WordSelection = true;
    int LangOptions = 2;
    int UndoLimit = 100;
    std::string Title;

    TNotifyEvent OnSelectionChange;
    TNotifyEvent OnChange;

    // Lines (as the script type TStrings) and PlainText.
    static void Publish(TClassBuilder<TReCustomRichEdit>& b);

private:
    friend class TReTextAttributes;
    friend class TReParaAttributes;
    friend class TRichEditStrings;

    void attach();
    void selectionChanged();
    bool loadRich(std::string_view data, QTextDocument& doc) const;
    void loadPlain(std::string_view data, QTextDocument& doc, bool unicode) const;
    void install(std::unique_ptr<QTextDocument> fresh, bool selectionOnly);
    std::string plainBytes(int from, int to, bool unicode) const;
    void stripToPlain();
    QTextCharFormat insertionFormat() const;
    // Line layout at a width (units); cached.
    void layoutAt(qreal widthUnits) const;
    const std::vector<int>& lineStarts() const;

    std::unique_ptr<QTextDocument> doc_;
    QTextCursor cursor_;
    std::optional<QTextCharFormat> insertFormat_;
    rich::TRichChar defChar_;
    bool plainText_ = false;
    TStreamFormat streamFormat_ = sfDefault;
    TStreamMode streamMode_;
    mutable qreal layoutWidth_ = 185;  // the control's default width
    mutable std::vector<int> lineStarts_;
    mutable bool linesValid_ = false;

    std::unique_ptr<TRichEditStrings> lines_;
    std::unique_ptr<TReTextAttributes> selAttributes_;
    std::unique_ptr<TReTextAttributes> defAttributes_;
    std::unique_ptr<TReTextAttributes> wordAttributes_;
    std::unique_ptr<TReParaAttributes> paragraph_;
};

class TReRichEdit : public TReCustomRichEdit {
    DORVAK_CLASS(TReRichEdit, TReCustomRichEdit)
public:
    using TReCustomRichEdit::TReCustomRichEdit;
};

// Every engine is Unicode here; the editor's class name is kept.
class TReUnicodeRichEdit : public TReRichEdit {
    DORVAK_CLASS(TReUnicodeRichEdit, TReRichEdit)
public:
    using TReRichEdit::TReRichEdit;
};
