#pragma once
// The text object's table of published properties by name, for the text
// classes that publish a subset of it (here and in other libraries).

#include "SysUtils.h"
#include "rpDataSets.h"
#include "rpMemo.h"

template <class T>
void TrpCustomMemoView::PublishNamed(TClassBuilder<T>& b, std::initializer_list<std::string_view> names)
{
    using M = TrpCustomMemoView;
    for (std::string_view n : names) {
        if (n == "AllowExpressions") b.property(n, &M::AllowExpressions).defaultValue(true);
        else if (n == "AllowHTMLTags") b.property(n, &M::AllowHTMLTags).defaultValue(false);
        else if (n == "AutoWidth") b.property(n, &M::AutoWidth).defaultValue(false);
        else if (n == "CharSpacing") b.property(n, &M::CharSpacing);
        else if (n == "Clipped") b.property(n, &M::Clipped).defaultValue(true);
        else if (n == "DisplayFormat") b.property(n, &M::DisplayFormat, &M::SetDisplayFormat);
        else if (n == "ExpressionDelimiters")
            b.property(n, &M::ExpressionDelimiters).stored([](const M& m) { return m.ExpressionDelimiters != "[,]"; });
        else if (n == "FlowTo") b.property(n, &M::FlowTo, &M::SetFlowTo);
        else if (n == "GapX") b.property(n, &M::GapX);
        else if (n == "GapY") b.property(n, &M::GapY);
        else if (n == "HAlign") b.property(n, &M::HAlign).defaultValue(haLeft);
        else if (n == "HideZeros") b.property(n, &M::HideZeros).defaultValue(false);
        else if (n == "Highlight")
            b.property(n, &M::Highlight, &M::SetHighlight).stored([](const M& m) {
                return !Trim(m.highlight_->Condition()).empty();
            });
        else if (n == "LineSpacing") b.property(n, &M::LineSpacing);
        else if (n == "Memo") b.property(n, &M::Memo, &M::SetMemo);
        else if (n == "ParagraphGap") b.property(n, &M::ParagraphGap);
        else if (n == "Rotation") b.property(n, &M::Rotation, &M::SetRotation).defaultValue(0);
        else if (n == "RTLReading") b.property(n, &M::RTLReading).defaultValue(false);
        else if (n == "Style") b.property(n, &M::Style, &M::SetStyle);
        else if (n == "SuppressRepeated") b.property(n, &M::SuppressRepeated).defaultValue(false);
        else if (n == "Underlines") b.property(n, &M::Underlines).defaultValue(false);
        else if (n == "UseDefaultCharset") b.property(n, &M::UseDefaultCharset).defaultValue(false);
        else if (n == "WordBreak") b.property(n, &M::WordBreak).defaultValue(false);
        else if (n == "WordWrap") b.property(n, &M::WordWrap).defaultValue(true);
        else if (n == "Wysiwyg") b.property(n, &M::Wysiwyg).defaultValue(true);
        else if (n == "VAlign") b.property(n, &M::VAlign).defaultValue(vaTop);
        else if (n == "FirstParaBreak") b.property(n, &M::FirstParaBreak).defaultValue(false);
        else if (n == "LastParaBreak") b.property(n, &M::LastParaBreak).defaultValue(false);
        else if (n == "Cursor") PublishCursor(b);
        else if (n == "TagStr") PublishTagStr(b);
        else if (n == "URL") PublishURL(b);
        else if (n == "Color") PublishColor(b);
        else if (n == "BrushStyle") PublishBrushStyle(b);
        else if (n == "DataField") PublishDataField(b);
        else if (n == "DataSet") PublishDataSet(b);
        else if (n == "Frame") PublishFrame(b);
        else if (n == "Font") PublishFont(b);
        else if (n == "ParentFont") PublishParentFont(b);
        else throw EInvalidOperation("Unknown text object property " + std::string(n));
    }
}
